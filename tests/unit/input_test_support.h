// A plug-in instance and an editor window handle with the headless window system
// recording, and helpers that send the editor its messages encoded as Win32 would.
#pragma once

#include "dsp/plugin_instance.h"
#include "editor/editor_window.h"
#include "editor/layout.h"
#include "platform/headless_backend.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace inputtest {

// MAKELPARAM(x, y) and MAKEWPARAM(keys, delta): 16-bit words, so negative values arrive as
// 0xFFxx words.
inline std::intptr_t pointLParam(int x, int y) {
    return static_cast<std::intptr_t>((std::uint32_t{static_cast<std::uint16_t>(y)} << 16) |
                                      static_cast<std::uint16_t>(x));
}
inline std::uintptr_t wheelWParam(int delta, std::uint16_t keys = 0) {
    return (std::uintptr_t{static_cast<std::uint16_t>(delta)} << 16) | keys;
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

    bool send(std::uint32_t msg, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) {
        return handleEditorMessage(window, *inst, msg, wParam, lParam);
    }
    // A press at tick `now`; presses far apart in time never pair into a double click.
    void press(int x, int y, std::uint32_t now) {
        headlessSetTickCount(now);
        EXPECT_TRUE(send(kWmLButtonDown, 0, pointLParam(x, y)));
    }
    void press(int x, int y) { press(x, y, clock += 10000); }
    void doubleClick(int x, int y) {
        press(x, y);
        send(kWmLButtonUp);
        press(x, y, clock += 100);
    }
    // Band i's node centre as the painter draws it, rounded to whole pixels.
    void pressNode(std::size_t i, bool twice = false) {
        const Band& b = inst->bands[i];
        const int x = static_cast<int>(std::lround(frequencyToX(b.frequency, kEditorWidth)));
        const int y = static_cast<int>(std::lround(gainToY(b.gain)));
        twice ? doubleClick(x, y) : press(x, y);
    }
    void move(int x, int y) { EXPECT_TRUE(send(kWmMouseMove, 0, pointLParam(x, y))); }
    void release() { EXPECT_TRUE(send(kWmLButtonUp)); }
    void wheel(int delta) { EXPECT_TRUE(send(kWmMouseWheel, wheelWParam(delta))); }
    void key(std::uintptr_t vk) { EXPECT_TRUE(send(kWmKeyDown, vk)); }

    void setBands(const std::vector<Band>& bands, int selected) {
        std::lock_guard<std::mutex> guard(inst->lock);
        inst->bands = bands;
        inst->selectedBand = selected;
        rebuildFilters(*inst);
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
    void markNotRebuilt() { inst->lastModulation[0] = 0.5; }
    bool rebuilt() const { return inst->lastModulation[0] == -1.0; }
    void clearLog() { headlessReset(); }
    int invalidations() const { return headlessCount("invalidateWindow"); }

    std::unique_ptr<PluginInstance> inst;
    WindowHandle window = reinterpret_cast<WindowHandle>(std::uintptr_t{0x5000});
    std::uint32_t clock = 100000;
};

} // namespace inputtest
