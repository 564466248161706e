// The host record handed out by the entry point.
#include "host_fixture.h"

#include "host/audio_callback.h"

#include <cstddef>
#include <cstring>
#include <tuple>

namespace {

using HostRecordTest = HostTest;

TEST_F(HostRecordTest, FieldsReadBackTheAdvertisedValues) {
    const AEffect& e = *effect;
    // magic 'VstP', programs, parameters, inputs, outputs, flags (editor enabled in the
    // recording backend), unique ID 'TOLQ', version, latency.
    EXPECT_EQ(std::make_tuple(e.magic, e.numPrograms, e.numParams, e.numInputs, e.numOutputs,
                              e.flags, e.uniqueID, e.version, e.initialDelay),
              std::make_tuple(0x56737450, 1, 5, 2, 2, 17, 0x544F4C51, 1000, 0));
    EXPECT_EQ(e.object, nullptr);
    EXPECT_EQ(e.processDoubleReplacing, nullptr);
    EXPECT_EQ(e.process, e.processReplacing);
    EXPECT_EQ(e.processReplacing, &processReplacing);
    // Unset fields, reserved bytes and the padding after magic are zero.
    EXPECT_EQ(std::make_tuple(e.resvd1, e.resvd2, e.realQualities, e.offQualities, e.ioRatio),
              std::make_tuple(0, 0, 0, 0, 0.0f));
    const char zeros[sizeof(e.future)] = {};
    EXPECT_EQ(std::memcmp(e.future, zeros, sizeof(zeros)), 0);
    EXPECT_EQ(std::memcmp(reinterpret_cast<const char*>(&e) + 4, zeros,
                          offsetof(AEffect, dispatcher) - 4),
              0);
}

VstIntPtr fakeHost(AEffect*, std::int32_t, std::int32_t, VstIntPtr, void*, float) {
    return 0;
}

TEST_F(HostRecordTest, EachCallBuildsAnIndependentLinkedInstance) {
    EXPECT_EQ(inst().effect, effect);
    EXPECT_EQ(inst().hostCallback, nullptr);
    AEffect* second = VSTPluginMain(fakeHost);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, effect);
    EXPECT_NE(second->user, effect->user);
    EXPECT_EQ(static_cast<PluginInstance*>(second->user)->effect, second);
    EXPECT_EQ(static_cast<PluginInstance*>(second->user)->hostCallback, &fakeHost);
    second->dispatcher(second, effClose, 0, 0, nullptr, 0.0f);
    releaseRecord(second);
}

TEST(HostRecordFlags, WithoutAWindowSystemTheEditorFlagIsOffAndOpenIsRefused) {
    headlessEnable(false);
    AEffect* effect = VSTPluginMain(nullptr);
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->flags, 16);
    int parent = 0;
    EXPECT_EQ(effect->dispatcher(effect, effEditOpen, 0, 0, &parent, 0.0f), 0);
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    releaseRecord(effect);
}

} // namespace
