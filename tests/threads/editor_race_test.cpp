// The editor's edits of the band list race the audio thread: pointer and keyboard events
// on one thread, processBlock under the instance lock on another, as a host runs them.
// Built with ThreadSanitizer; any unguarded shared access fails the run.
#include "editor/editor_events.h"
#include "editor/layout.h"
#include "host/plugin_instance.h"
#include "platform/headless_backend.h"

#include "tests/threads/rounds_alongside.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace {

EditorEvent event(EditorEventKind kind, int x = 0, int y = 0) {
    EditorEvent e;
    e.kind = kind;
    e.x = x;
    e.y = y;
    return e;
}

// The audio side: blocks of a two-tone signal until told to stop; reports whether every
// output sample stayed finite.
void runAudio(PluginInstance& inst, const std::atomic<bool>& stop, std::atomic<bool>& finite,
              std::atomic<int>& blocks) {
    constexpr int kBlock = 256;
    std::vector<float> left(kBlock);
    std::vector<float> right(kBlock);
    double phase = 0.0;
    while (!stop.load()) {
        for (int n = 0; n < kBlock; ++n, phase += 1.0) {
            left[static_cast<std::size_t>(n)] =
                static_cast<float>(0.5 * std::sin(phase * 0.0131) + 0.3 * std::sin(phase * 0.37));
            right[static_cast<std::size_t>(n)] = left[static_cast<std::size_t>(n)] * 0.8f;
        }
        {
            std::lock_guard<std::mutex> guard(inst.engine.lock);
            processBlock(inst.engine.edit, left.data(), right.data(), kBlock);
        }
        for (int n = 0; n < kBlock; ++n) {
            if (!std::isfinite(left[static_cast<std::size_t>(n)]) ||
                !std::isfinite(right[static_cast<std::size_t>(n)])) {
                finite.store(false);
            }
        }
        blocks.fetch_add(1);
    }
}

struct EditorDriver {
    PluginInstance& inst;
    WindowHandle window;
    std::uint32_t now = 1000;

    void send(const EditorEvent& e) { handleEditorEvent(window, inst.editor, e); }
    void press(int x, int y, std::uint32_t gap) {
        now += gap;
        EditorEvent e = event(EditorEventKind::Press, x, y);
        e.time = now;
        send(e);
    }
    void release() { send(event(EditorEventKind::Release)); }
    void move(int x, int y) { send(event(EditorEventKind::Move, x, y)); }
    void wheel(int steps) {
        EditorEvent e = event(EditorEventKind::Wheel);
        e.wheelSteps = steps;
        send(e);
    }
    void deleteKey() {
        EditorEvent e = event(EditorEventKind::Key);
        e.key = EditorKey::Delete;
        send(e);
    }

    // One round of everything the editor can do to the band list and parameters.
    void round(int i) {
        // Add by double click, drag the new band across and off the graph, let go.
        press(300 + i % 400, 150 + i % 200, 1000);
        press(300 + i % 400, 150 + i % 200, 100);
        for (int step = 0; step < 8; ++step) {
            move(-100 + step * 150, 600 - step * 90);
        }
        release();
        wheel(i % 2 == 0 ? 1 : -1);
        press(chipX(7) + 5 + 26 * (i % 3), 505, 1000); // add chip or a band chip
        release();
        press(650, 145, 1000); // a type button of band 4's panel, when shown
        release();
        deleteKey();
        press(55, 520, 1000); // knob drag on VAVU COUPLING
        move(55, 520 - (i % 60));
        release();
        if (i % 5 == 0) {
            press(460, 25, 1000); // next preset
            release();
        }
        send(event(EditorEventKind::Tick));
    }
};

} // namespace

TEST(EditorRace, EditsRaceProcessBlockWithoutDataRace) {
    headlessEnable(true);
    headlessReset();
    PluginInstance inst(nullptr);
    std::atomic<bool> stop{false};
    std::atomic<bool> finite{true};
    std::atomic<int> blocks{0};
    std::thread audio(runAudio, std::ref(inst), std::cref(stop), std::ref(finite),
                      std::ref(blocks));

    EditorDriver ui{inst, reinterpret_cast<WindowHandle>(std::uintptr_t{0x7000})};
    constexpr int kMinRounds = 300;
    constexpr int kMinBlocks = 200;
    const int blocksAlongside = roundsAlongsideAudio(
        [&](int i) { ui.round(i); }, blocks, kMinRounds, kMinBlocks, std::chrono::seconds(60));
    stop.store(true);
    audio.join();

    EXPECT_GE(blocksAlongside, kMinBlocks) << "the audio thread hardly ran alongside the edits";
    EXPECT_TRUE(finite.load());
    std::lock_guard<std::mutex> guard(inst.engine.lock);
    EXPECT_GE(inst.engine.edit.bands.size(), 1u);
    EXPECT_LE(inst.engine.edit.bands.size(), 24u);
    EXPECT_EQ(inst.engine.edit.filters.size(), inst.engine.edit.bands.size());
    headlessReset();
    headlessEnable(false);
}
