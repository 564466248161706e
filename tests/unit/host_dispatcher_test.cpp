// Dispatcher answers, grouped by what the request needs.
#include "host_fixture.h"

#include "host/dispatcher.h"
#include "host/process_state.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using DispatcherTest = HostTest;

// Every listed opcode with a live instance, with a null pointer argument, and after
// effClose; every other opcode, and every request on a null record, answers 0. The
// identity texts need no instance.
TEST_F(DispatcherTest, EveryOpcodeWithAndWithoutInstanceAndPointer) {
    const struct {
        std::int32_t opcode;
        VstIntPtr live, nullPtr, closed;
    } rows[] = {
        {effOpen, 1, 1, 1},          {effSetProgram, 1, 1, 1},      {effGetProgramName, 1, 1, 1},
        {effGetParamLabel, 1, 0, 1}, {effGetParamDisplay, 1, 0, 0}, {effGetParamName, 1, 0, 1},
        {effSetSampleRate, 1, 1, 1}, {effSetBlockSize, 1, 1, 1},    {effMainsChanged, 1, 1, 1},
        {effEditGetRect, 1, 0, 0},   {effEditOpen, 1, 0, 0},        {effEditClose, 1, 1, 1},
        {effEditIdle, 1, 1, 1},      {effGetPlugCategory, 8, 8, 8}, {effSetBypass, 1, 1, 1},
        {effGetEffectName, 1, 1, 1}, {effGetVendorString, 1, 1, 1}, {effGetProductString, 1, 1, 1},
        {effCanDo, 1, 0, 1},         {effClose, 1, 1, 1},
    };
    auto answer = [&](std::int32_t opcode, bool withPointer) {
        char arg[64] = "bypass";
        return dispatch(opcode, 0, 1, withPointer ? arg : nullptr, 44100.0f);
    };
    auto expectNumbersAndUnlistedZero = [&](const char* when) {
        EXPECT_EQ(answer(effGetVendorVersion, true), 1000) << when;
        EXPECT_EQ(answer(effGetVstVersion, true), 2400) << when;
        EXPECT_EQ(effect->dispatcher(nullptr, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
        EXPECT_EQ(answer(1000, true), 0) << when;
        for (std::int32_t opcode = -1; opcode <= 60; ++opcode) {
            if (opcode != effGetVendorVersion && opcode != effGetVstVersion &&
                std::none_of(std::begin(rows), std::end(rows),
                             [&](const auto& row) { return row.opcode == opcode; })) {
                EXPECT_EQ(answer(opcode, true), 0) << when << " unlisted " << opcode;
            }
        }
    };
    // The identity texts are fixed images: text, zeros up to the size, nothing beyond.
    auto expectIdentityTexts = [&] {
        const std::tuple<std::int32_t, const char*, std::size_t> texts[] = {
            {effGetProgramName, "01: Master Vocal", 24},
            {effGetEffectName, "Tolvane-Q", 32},
            {effGetVendorString, "Morvel Audio", 32},
            {effGetProductString, "Morvel Tolvane-Q", 32},
        };
        for (const auto& [opcode, expected, size] : texts) {
            text(opcode);
            expectImage(expected, size);
        }
    };
    expectNumbersAndUnlistedZero("live");
    expectIdentityTexts();
    for (const auto& row : rows) {
        EXPECT_EQ(effect->dispatcher(nullptr, row.opcode, 0, 1, buffer, 1.0f), 0) << row.opcode;
        if (row.opcode != effClose) {
            EXPECT_EQ(answer(row.opcode, true), row.live) << "live " << row.opcode;
            EXPECT_EQ(answer(row.opcode, false), row.nullPtr) << "null ptr " << row.opcode;
        }
    }
    EXPECT_EQ(effect->getParameter(nullptr, 0), 0.0f);
    effect->setParameter(nullptr, 0, 0.5f); // must not crash

    const int windowsCreated = headlessCount("createEditorWindow");
    ASSERT_EQ(dispatch(effClose), 1);
    ASSERT_EQ(effect->user, nullptr);
    EXPECT_EQ(liveInstanceCount(), 0);
    for (const auto& row : rows) {
        EXPECT_EQ(answer(row.opcode, true), row.closed) << "closed " << row.opcode;
    }
    expectIdentityTexts();
    expectNumbersAndUnlistedZero("closed");
    EXPECT_EQ(headlessCount("createEditorWindow"), windowsCreated);
    EXPECT_EQ(text(effGetParamName, 1), "VAVU Coupling"); // needs no instance
    for (int i = -1; i <= 5; ++i) {
        effect->setParameter(effect, i, 0.3f);
        EXPECT_EQ(effect->getParameter(effect, i), 0.0f) << i;
    }
}

// Exact, case-sensitive, whole-string matches only.
TEST_F(DispatcherTest, CanDoAnswersFromTheCapabilityTable) {
    const std::pair<VstIntPtr, std::vector<const char*>> rows[] = {
        {1, {"2in2out", "1in1out", "plugAsChannelInsert", "plugAsSend", "bypass"}},
        {-1, {"hasCocoaView", "receiveVstMidiEvent", "sendVstMidiEvent"}},
        {0, {"cockosExtensions", "Bypass", "bypass ", "2in2", "", "receiveVstEvents"}},
    };
    for (const auto& [answer, capabilities] : rows) {
        for (const char* capability : capabilities) {
            char copy[64];
            std::strcpy(copy, capability);
            EXPECT_EQ(dispatch(effCanDo, 0, 0, copy), answer) << '"' << capability << '"';
        }
    }
}

// The rate reaches setSampleRate, whose full table is an engine test; each row starts
// from a different rate than it ends at.
TEST_F(DispatcherTest, SampleRateAndBlockSize) {
    const std::tuple<float, double, double> rates[] = {
        {4000.0f, 4000.0, 8000.0},
        {0.0f, 48000.0, 48000.0},
        {96000.0f, 96000.0, 96000.0},
        {-44100.0f, 48000.0, 48000.0},
    };
    for (const auto& [requested, sampleRate, envRate] : rates) {
        EXPECT_EQ(dispatch(effSetSampleRate, 0, 0, nullptr, requested), 1);
        EXPECT_EQ(std::make_pair(inst().engine.edit.sampleRate, inst().engine.edit.envRate),
                  std::make_pair(sampleRate, envRate))
            << requested;
    }
    // Blocks of any length are processed as they come, so every announced size is fine.
    for (VstIntPtr value : {VstIntPtr{256}, VstIntPtr{1}, VstIntPtr{0}, VstIntPtr{-64},
                            VstIntPtr{0x7fffffff}, VstIntPtr{1LL << 32}}) {
        EXPECT_EQ(dispatch(effSetBlockSize, 0, value), 1) << value;
    }
}

TEST_F(DispatcherTest, EditorRectIsTheInstancesOwnFixedRectangle) {
    ERect* first = nullptr;
    ERect* second = nullptr;
    EXPECT_EQ(dispatch(effEditGetRect, 0, 0, &first), 1);
    EXPECT_EQ(dispatch(effEditGetRect, 0, 0, &second), 1);
    ASSERT_EQ(first, &inst().editorRect);
    EXPECT_EQ(first, second);
    EXPECT_EQ(std::make_tuple(first->top, first->left, first->bottom, first->right),
              std::make_tuple(0, 0, 580, 920));
}

TEST_F(DispatcherTest, BypassSetsTheParameterAndRepaintsAnOpenEditor) {
    ASSERT_NE(openEditor(), nullptr);
    const std::tuple<VstIntPtr, float, const char*> rows[] = {
        {1, 1.0f, "BYPASS"}, {0, 0.0f, "ACTIVE"}, {-5, 1.0f, "BYPASS"}};
    for (const auto& [value, stored, display] : rows) {
        const int repaints = headlessCount("invalidateWindow");
        EXPECT_EQ(dispatch(effSetBypass, 0, value), 1);
        EXPECT_EQ(effect->getParameter(effect, 4), stored);
        EXPECT_EQ(text(effGetParamDisplay, 4), display);
        EXPECT_EQ(headlessCount("invalidateWindow"), repaints + 1);
    }
}

// The host's bypass stores one value and nothing more: no filter is redesigned and the
// modulation is not restarted, so toggling it between two blocks leaves no trace.
TEST_F(DispatcherTest, BypassRedesignsNothing) {
    const std::uint64_t rebuilds = inst().engine.edit.rebuildCount;
    inst().engine.edit.lastModulation[0] = 0.5;
    for (const VstIntPtr value : {1, 0, 1, 0}) {
        dispatch(effSetBypass, 0, value);
    }
    EXPECT_EQ(inst().engine.edit.rebuildCount, rebuilds);
    EXPECT_EQ(inst().engine.edit.lastModulation[0], 0.5);
    EXPECT_EQ(effect->getParameter(effect, 4), 0.0f);
}

} // namespace
