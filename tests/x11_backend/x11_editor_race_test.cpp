// The Linux editor's threads under ThreadSanitizer: X events, built as the server delivers
// them, go through the backend's translation into the editor on the UI thread, which also
// paints the picture on the Cairo canvas; the host's audio callback processes on another
// thread and a third automates the parameters. Any unguarded shared access fails the run.

// GoogleTest comes first: Xlib defines macros (None, Bool) that clash with its names.
#include <gtest/gtest.h>

#include "editor/editor_events.h"
#include "editor/layout.h"
#include "host/entry.h"
#include "host/plugin_instance.h"
#include "platform/x11/cairo_canvas.h"
#include "platform/x11/x11_event_translation.h"
#include "tests/threads/rounds_alongside.h"
#include "tests/x11_backend/x_event_builders.h"

#include <X11/keysym.h>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int kWidth = 920;
constexpr int kHeight = 580;

// The host's audio thread: blocks of a two-tone signal through the plug-in's entry
// point until told to stop; reports whether every output sample stayed finite.
void runAudio(AEffect* effect, const std::atomic<bool>& stop, std::atomic<bool>& finite,
              std::atomic<int>& blocks) {
    constexpr int kBlock = 256;
    std::vector<float> in[2] = {std::vector<float>(kBlock), std::vector<float>(kBlock)};
    std::vector<float> out[2] = {std::vector<float>(kBlock), std::vector<float>(kBlock)};
    float* inputs[] = {in[0].data(), in[1].data()};
    float* outputs[] = {out[0].data(), out[1].data()};
    double phase = 0.0;
    while (!stop.load()) {
        for (int n = 0; n < kBlock; ++n, phase += 1.0) {
            const auto s =
                static_cast<float>(0.5 * std::sin(phase * 0.0131) + 0.3 * std::sin(phase * 0.37));
            in[0][static_cast<std::size_t>(n)] = s;
            in[1][static_cast<std::size_t>(n)] = 0.8f * s;
        }
        effect->processReplacing(effect, inputs, outputs, kBlock);
        for (const std::vector<float>& channel : out) {
            for (float v : channel) {
                if (!std::isfinite(v)) {
                    finite.store(false);
                }
            }
        }
        blocks.fetch_add(1);
    }
}

// A host thread moving the automatable parameters.
void runAutomation(AEffect* effect, const std::atomic<bool>& stop) {
    for (int i = 0; !stop.load(); ++i) {
        effect->setParameter(effect, i % 5, static_cast<float>(i % 100) / 99.0f);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

struct XEventDriver {
    PluginInstance& inst;
    WindowHandle window;
    Time now = 1000;
    cairo_surface_t* picture = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
    CanvasLayer* layer = createCanvasLayer();
    int delivered = 0;

    ~XEventDriver() {
        destroyCanvasLayer(layer);
        cairo_surface_destroy(picture);
    }

    void feed(const XEvent& e, KeySym keysym = NoSymbol) {
        const X11Input in = translateXEvent(e, keysym);
        if (in.action == X11Action::Deliver) {
            handleEditorEvent(window, inst.editor, in.event);
            ++delivered;
        }
    }
    void press(int x, int y, Time gap) {
        now += gap;
        feed(xevents::button(ButtonPress, Button1, x, y, now));
    }
    void release(int x, int y) { feed(xevents::button(ButtonRelease, Button1, x, y, now)); }
    void wheel(unsigned int button) { feed(xevents::button(ButtonPress, button, 400, 200, now)); }
    void deleteKey() {
        XEvent e{};
        e.type = KeyPress;
        feed(e, XK_Delete);
    }
    void paint() {
        EditorEvent e;
        e.kind = EditorEventKind::Paint;
        e.canvas = openCairoCanvas(picture, layer);
        e.width = kWidth;
        e.height = kHeight;
        handleEditorEvent(window, inst.editor, e);
        closeCairoCanvas(e.canvas);
    }

    // One round of everything the editor can do to the band list and parameters.
    void round(int i) {
        // Add by double click, drag the new band across and off the graph, let go.
        press(300 + i % 400, 150 + i % 200, 1000);
        press(300 + i % 400, 150 + i % 200, 100);
        for (int step = 0; step < 8; ++step) {
            feed(xevents::motion(-100 + step * 150, 600 - step * 90));
        }
        release(900, -30);
        wheel(i % 2 == 0 ? Button4 : Button5);
        press(chipX(7) + 5 + 26 * (i % 3), 505, 1000); // add chip or a band chip
        release(0, 0);
        press(650, 145, 1000); // a type button of band 4's panel, when shown
        release(0, 0);
        deleteKey();
        press(55, 520, 1000); // knob drag on VAVU COUPLING
        feed(xevents::motion(55, 520 - (i % 60)));
        release(55, 460);
        if (i % 5 == 0) {
            press(460, 25, 1000); // next preset
            release(460, 25);
        }
        EditorEvent tick;
        tick.kind = EditorEventKind::Tick;
        handleEditorEvent(window, inst.editor, tick);
        if (i % 4 == 0) {
            paint();
        }
    }
};

} // namespace

TEST(X11EditorRace, XEventsAndPaintsRaceTheAudioCallbackWithoutDataRace) {
    AEffect* effect = VSTPluginMain(nullptr);
    ASSERT_NE(effect, nullptr);
    PluginInstance& inst = *static_cast<PluginInstance*>(effect->user);
    std::atomic<bool> stop{false};
    std::atomic<bool> finite{true};
    std::atomic<int> blocks{0};
    std::thread audio(runAudio, effect, std::cref(stop), std::ref(finite), std::ref(blocks));
    std::thread automation(runAutomation, effect, std::cref(stop));

    // No real window: the backend's calls for an unknown handle do nothing, and the test
    // is about the editor's state, not the X connection.
    XEventDriver ui{inst, reinterpret_cast<WindowHandle>(std::uintptr_t{0x7001})};
    constexpr int kMinRounds = 200;
    constexpr int kMinBlocks = 200;
    const int blocksAlongside = roundsAlongsideAudio(
        [&](int i) { ui.round(i); }, blocks, kMinRounds, kMinBlocks, std::chrono::seconds(120));
    stop.store(true);
    audio.join();
    automation.join();

    EXPECT_GE(blocksAlongside, kMinBlocks) << "the audio thread hardly ran alongside the edits";
    EXPECT_TRUE(finite.load());
    EXPECT_GE(ui.delivered, kMinRounds * 20);
    EXPECT_EQ(cairo_surface_status(ui.picture), CAIRO_STATUS_SUCCESS);
    {
        std::lock_guard<std::mutex> guard(inst.engine.lock);
        EXPECT_GE(inst.engine.edit.bands.size(), 1u);
        EXPECT_LE(inst.engine.edit.bands.size(), 24u);
        EXPECT_EQ(inst.engine.edit.filters.size(), inst.engine.edit.bands.size());
    }
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    releaseRecord(effect);
}
