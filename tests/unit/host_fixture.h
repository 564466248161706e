// A plug-in instance created through the exported entry point, as a host would, with the
// headless window system recording.
#pragma once

#include "host/entry.h"
#include "host/plugin_instance.h"
#include "platform/headless_backend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>

class HostTest : public ::testing::Test {
  protected:
    void SetUp() override {
        headlessEnable(true);
        headlessReset();
        effect = VSTPluginMain(nullptr);
        ASSERT_NE(effect, nullptr);
    }

    void TearDown() override {
        if (effect != nullptr) {
            effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
            releaseRecord(effect);
        }
        headlessReset();
        headlessEnable(false);
    }

    VstIntPtr dispatch(std::int32_t opcode, std::int32_t index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f) {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }

    // The text a request writes into a buffer pre-filled with 'x', and the buffer itself.
    std::string text(std::int32_t opcode, std::int32_t index = 0) {
        std::fill(std::begin(buffer), std::end(buffer), 'x');
        dispatch(opcode, index, 0, buffer);
        return std::string(buffer);
    }

    // The last text request wrote `expected` as a fixed image: the text, zero bytes up to
    // `size`, and nothing beyond.
    void expectImage(const char* expected, std::size_t size) {
        EXPECT_STREQ(buffer, expected);
        for (std::size_t i = std::strlen(expected); i < size; ++i) {
            EXPECT_EQ(buffer[i], '\0') << expected << " byte " << i;
        }
        EXPECT_EQ(buffer[size], 'x') << expected;
    }

    PluginInstance& inst() { return *static_cast<PluginInstance*>(effect->user); }

    // Opens the editor on a stand-in parent window; null when the open was refused.
    WindowHandle openEditor() {
        return dispatch(effEditOpen, 0, 0, &parent) == 1 ? inst().editor.window.load() : nullptr;
    }

    AEffect* effect = nullptr;
    char buffer[64] = {};
    int parent = 0;
};
