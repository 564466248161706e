// The host record handed out by the entry point.
#include "host_fixture.h"

#include "host/audio_callback.h"

#include <cstddef>
#include <cstring>

namespace {

using HostRecordTest = HostTest;

TEST_F(HostRecordTest, FieldsReadBackTheAdvertisedValues) {
    EXPECT_EQ(effect->magic, 0x56737450);
    EXPECT_EQ(std::memcmp(&effect->magic, "PtsV", 4), 0); // 'VstP' stored little-endian
    EXPECT_EQ(effect->numPrograms, 1);
    EXPECT_EQ(effect->numParams, 5);
    EXPECT_EQ(effect->numInputs, 2);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(effect->flags, 17); // editor enabled in the recording backend
    EXPECT_EQ(effect->uniqueID, 0x544F4C51);
    EXPECT_EQ(effect->version, 1000);
    EXPECT_EQ(effect->initialDelay, 0);
    EXPECT_EQ(effect->object, nullptr);
    EXPECT_EQ(effect->processDoubleReplacing, nullptr);
    EXPECT_EQ(effect->process, effect->processReplacing);
    EXPECT_EQ(effect->processReplacing, &processReplacing);
    ASSERT_NE(effect->dispatcher, nullptr);
    ASSERT_NE(effect->setParameter, nullptr);
    ASSERT_NE(effect->getParameter, nullptr);
}

TEST_F(HostRecordTest, UnsetFieldsAndReservedBytesAreZero) {
    EXPECT_EQ(effect->resvd1, 0);
    EXPECT_EQ(effect->resvd2, 0);
    EXPECT_EQ(effect->realQualities, 0);
    EXPECT_EQ(effect->offQualities, 0);
    EXPECT_EQ(effect->ioRatio, 0.0f);
    const char zeros[sizeof(effect->future)] = {};
    EXPECT_EQ(std::memcmp(effect->future, zeros, sizeof(zeros)), 0);
    // The padding after magic is part of the record the host copies.
    const auto* bytes = reinterpret_cast<const unsigned char*>(effect);
    for (std::size_t i = 4; i < offsetof(AEffect, dispatcher); ++i) {
        EXPECT_EQ(bytes[i], 0u) << "byte " << i;
    }
}

TEST_F(HostRecordTest, RecordAndInstanceAreLinkedBothWays) {
    ASSERT_NE(effect->user, nullptr);
    EXPECT_EQ(inst().effect, effect);
    EXPECT_EQ(inst().hostCallback, nullptr);
}

VstIntPtr fakeHost(AEffect*, std::int32_t, std::int32_t, VstIntPtr, void*, float) {
    return 0;
}

TEST_F(HostRecordTest, EachCallBuildsAnIndependentInstanceKeepingTheCallback) {
    AEffect* second = VSTPluginMain(fakeHost);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, effect);
    EXPECT_NE(second->user, effect->user);
    EXPECT_EQ(static_cast<PluginInstance*>(second->user)->hostCallback, &fakeHost);
    second->dispatcher(second, effClose, 0, 0, nullptr, 0.0f);
    releaseRecord(second);
}

TEST(HostRecordFlags, WithoutAWindowSystemTheEditorFlagIsOff) {
    headlessEnable(false);
    AEffect* effect = VSTPluginMain(nullptr);
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->flags, 16);
    // ...and opening an editor is refused.
    int parent = 0;
    EXPECT_EQ(effect->dispatcher(effect, effEditOpen, 0, 0, &parent, 0.0f), 0);
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    releaseRecord(effect);
}

} // namespace
