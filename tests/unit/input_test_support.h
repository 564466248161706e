// A plug-in instance and an editor window handle with the headless window system
// recording, and helpers that send the editor its neutral input events.
#pragma once

#include "editor/editor_events.h"
#include "editor/layout.h"
#include "host/plugin_instance.h"
#include "platform/headless_backend.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace inputtest {

inline EditorEvent event(EditorEventKind kind, int x = 0, int y = 0) {
    EditorEvent e;
    e.kind = kind;
    e.x = x;
    e.y = y;
    return e;
}

inline Band bell(double frequency, double gain) {
    return Band{true, frequency, gain, 1.0, BandType::Bell, 0xFF112233u, false};
}

class EditorInputTest : public ::testing::Test {
  protected:
    // Also called inside table loops to start each case from a new instance.
    void SetUp() override {
        headlessEnable(true);
        headlessReset();
        inst = std::make_unique<PluginInstance>(nullptr);
    }
    void TearDown() override {
        headlessReset();
        headlessEnable(false);
    }

    bool send(const EditorEvent& event) { return handleEditorEvent(window, inst->editor, event); }
    // A press at time `now`; presses far apart in time never pair into a double click.
    void press(int x, int y, std::uint32_t now) {
        EditorEvent e = event(EditorEventKind::Press, x, y);
        e.time = now;
        EXPECT_TRUE(send(e));
    }
    void press(int x, int y) { press(x, y, clock += 10000); }
    void doubleClick(int x, int y) {
        press(x, y);
        send(event(EditorEventKind::Release));
        press(x, y, clock += 100);
    }
    // Band i's node centre as the painter draws it, rounded to whole pixels.
    void pressNode(std::size_t i, bool twice = false) {
        const Band& b = inst->engine.edit.bands[i];
        const int x = static_cast<int>(std::lround(frequencyToX(b.frequency, kEditorWidth)));
        const int y = static_cast<int>(std::lround(gainToY(b.gain)));
        twice ? doubleClick(x, y) : press(x, y);
    }
    void move(int x, int y) { EXPECT_TRUE(send(event(EditorEventKind::Move, x, y))); }
    void release() { EXPECT_TRUE(send(event(EditorEventKind::Release))); }
    void wheel(int steps) {
        EditorEvent e = event(EditorEventKind::Wheel);
        e.wheelSteps = steps;
        EXPECT_TRUE(send(e));
    }
    void key(EditorKey k) {
        EditorEvent e = event(EditorEventKind::Key);
        e.key = k;
        EXPECT_TRUE(send(e));
    }

    void setBands(const std::vector<Band>& bands, int selected) {
        std::lock_guard<std::mutex> guard(inst->engine.lock);
        inst->engine.edit.bands = bands;
        inst->editor.selectedBand = selected;
        rebuildFilters(inst->engine.edit);
    }
    // n bells spread over the graph, none within a node radius of another.
    void setSpreadBands(int n, int selected = 0) {
        std::vector<Band> bands;
        for (int i = 0; i < n; ++i) {
            bands.push_back(bell(25.0 * std::pow(1.3, i), (i % 2 == 0) ? 6.0 : -6.0));
        }
        setBands(bands, selected);
    }

    // rebuildFilters marks every modulation entry -1; a marker elsewhere shows it did not run.
    void markNotRebuilt() { inst->engine.edit.lastModulation[0] = 0.5; }
    bool rebuilt() const { return inst->engine.edit.lastModulation[0] == -1.0; }
    void clearLog() { headlessReset(); }
    int invalidations() const { return headlessCount("invalidateWindow"); }

    std::unique_ptr<PluginInstance> inst;
    WindowHandle window = reinterpret_cast<WindowHandle>(std::uintptr_t{0x5000});
    std::uint32_t clock = 100000;
};

} // namespace inputtest
