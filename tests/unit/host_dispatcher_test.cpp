// Dispatcher answers, grouped by what the request needs.
#include "host_fixture.h"

#include "host/dispatcher.h"

#include <cmath>
#include <cstring>
#include <set>

namespace {

using DispatcherTest = HostTest;

struct ConstantRow {
    std::int32_t opcode;
    VstIntPtr answer;
};

// Opcodes answered without looking at arguments, before and after effClose.
const ConstantRow kConstants[] = {
    {effOpen, 1},
    {effSetProgram, 1},
    {effMainsChanged, 1},
    {effEditIdle, 1},
    {effGetPlugCategory, 8},
    {effGetVendorVersion, 1000},
    {effGetVstVersion, 2400},
    {effGetProgram, 0},
    {effGetChunk, 0},
    {effSetChunk, 0},
    {effProcessEvents, 0},
    {effGetTailSize, 0},
    {46, 0} /* effGetErrorText */,
    {59, 0},
    {-1, 0},
    {1000, 0},
};

TEST_F(DispatcherTest, ConstantAnswersWithAndWithoutInstance) {
    for (const auto& row : kConstants) {
        EXPECT_EQ(dispatch(row.opcode), row.answer) << "opcode " << row.opcode;
    }
    dispatch(effClose);
    for (const auto& row : kConstants) {
        EXPECT_EQ(dispatch(row.opcode), row.answer) << "closed, opcode " << row.opcode;
    }
}

TEST_F(DispatcherTest, EveryUnlistedOpcodeAnswersZero) {
    const std::set<int> listed = {0,  1,  2,  5,  6,  7,  8,  10, 11, 12, 13,
                                  14, 15, 19, 35, 44, 45, 47, 48, 49, 51, 58};
    int buffer4[16] = {};
    for (int opcode = 0; opcode <= 58; ++opcode) {
        if (listed.count(opcode) == 0) {
            EXPECT_EQ(dispatch(opcode, 0, 1, buffer4, 1.0f), 0) << "opcode " << opcode;
        }
    }
}

struct TextRow {
    std::int32_t opcode;
    const char* text;
    std::size_t imageSize;
};

const TextRow kTexts[] = {
    {effGetProgramName, "01: Master Vocal", 24},
    {effGetEffectName, "Tolvane-Q", 32},
    {effGetVendorString, "Morvel Audio", 32},
    {effGetProductString, "Morvel Tolvane-Q", 32},
};

// The text, zeros up to the image size, and nothing touched beyond it.
void expectImage(const char* buffer, const TextRow& row) {
    EXPECT_STREQ(buffer, row.text);
    for (std::size_t i = std::strlen(row.text); i < row.imageSize; ++i) {
        EXPECT_EQ(buffer[i], '\0') << row.text << " byte " << i;
    }
    EXPECT_EQ(buffer[row.imageSize], 'x') << row.text;
}

TEST_F(DispatcherTest, IdentityTextsAreFixedImagesAlsoAfterClose) {
    for (const auto& row : kTexts) {
        text(row.opcode);
        EXPECT_EQ(lastAnswer, 1);
        expectImage(buffer, row);
        EXPECT_EQ(dispatch(row.opcode, 0, 0, nullptr), 1) << "null buffer still answers 1";
    }
    dispatch(effClose);
    for (const auto& row : kTexts) {
        text(row.opcode);
        EXPECT_EQ(lastAnswer, 1);
        expectImage(buffer, row);
    }
}

struct CapabilityRow {
    const char* text;
    VstIntPtr answer;
};

const CapabilityRow kCapabilityRows[] = {
    {"2in2out", 1},
    {"1in1out", 1},
    {"plugAsChannelInsert", 1},
    {"plugAsSend", 1},
    {"bypass", 1},
    {"cockosExtensions", 0},
    {"hasCocoaView", -1},
    {"receiveVstMidiEvent", -1},
    {"sendVstMidiEvent", -1},
    {"Bypass", 0},
    {"bypass ", 0},
    {"2in2", 0},
    {"", 0},
    {"receiveVstEvents", 0},
};

TEST_F(DispatcherTest, CanDoAnswersFromTheCapabilityTable) {
    for (const auto& row : kCapabilityRows) {
        char capability[64];
        std::strcpy(capability, row.text);
        EXPECT_EQ(dispatch(effCanDo, 0, 0, capability), row.answer) << '"' << row.text << '"';
    }
    EXPECT_EQ(dispatch(effCanDo, 0, 0, nullptr), 0);
}

struct RateRow {
    float requested;
    double sampleRate;
    double envRate;
    std::int32_t decimation;
};

const RateRow kRates[] = {
    {0.0f, 48000.0, 48000.0, 96},     {-44100.0f, 48000.0, 48000.0, 96},
    {NAN, 48000.0, 48000.0, 96},      {4000.0f, 4000.0, 8000.0, 16},
    {8000.0f, 8000.0, 8000.0, 16},    {96000.0f, 96000.0, 96000.0, 192},
    {44100.0f, 44100.0, 44100.0, 88},
};

TEST_F(DispatcherTest, SampleRateFollowsTheRequestWithDefaultsForUnusableRates) {
    for (const auto& row : kRates) {
        EXPECT_EQ(dispatch(effSetSampleRate, 0, 0, nullptr, row.requested), 1);
        EXPECT_EQ(inst().sampleRate, row.sampleRate) << row.requested;
        EXPECT_EQ(inst().envRate, row.envRate) << row.requested;
        EXPECT_EQ(inst().decimation, row.decimation) << row.requested;
    }
}

TEST_F(DispatcherTest, SampleRateRedesignsEveryFilterAndMarksModulationStale) {
    const BiquadCoefficients before = inst().filters[4].coeffs;
    inst().lastModulation[0] = 0.5;
    dispatch(effSetSampleRate, 0, 0, nullptr, 96000.0f);
    EXPECT_NE(inst().filters[4].coeffs.b1, before.b1);
    EXPECT_EQ(inst().lastModulation[0], -1.0);
    EXPECT_EQ(inst().filters.size(), inst().bands.size());
}

TEST_F(DispatcherTest, BlockSizeStoresPositiveValuesElse512) {
    const struct {
        VstIntPtr value;
        std::int32_t stored;
    } rows[] = {{256, 256},
                {1, 1},
                {0, 512},
                {-64, 512},
                {2147483647, 2147483647},
                {VstIntPtr{1} << 32, 512}};
    for (const auto& row : rows) {
        inst().blockSize = 7;
        EXPECT_EQ(dispatch(effSetBlockSize, 0, row.value), 1);
        EXPECT_EQ(inst().blockSize, row.stored) << row.value;
    }
}

TEST_F(DispatcherTest, EditorRectIsTheInstancesOwnFixedRectangle) {
    ERect* first = nullptr;
    ERect* second = nullptr;
    EXPECT_EQ(dispatch(effEditGetRect, 0, 0, &first), 1);
    EXPECT_EQ(dispatch(effEditGetRect, 0, 0, &second), 1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_EQ(first, &inst().editorRect);
    EXPECT_EQ(first->top, 0);
    EXPECT_EQ(first->left, 0);
    EXPECT_EQ(first->bottom, 580);
    EXPECT_EQ(first->right, 920);
    EXPECT_EQ(dispatch(effEditGetRect, 0, 0, nullptr), 0);
}

TEST_F(DispatcherTest, BypassSetsTheParameterAndRepaintsAnOpenEditor) {
    int parent = 0;
    ASSERT_EQ(dispatch(effEditOpen, 0, 0, &parent), 1);
    const struct {
        VstIntPtr value;
        float stored;
        const char* display;
    } rows[] = {{1, 1.0f, "BYPASS"}, {0, 0.0f, "ACTIVE"}, {-5, 1.0f, "BYPASS"}};
    for (const auto& row : rows) {
        const int repaints = headlessCount("invalidateWindow");
        EXPECT_EQ(dispatch(effSetBypass, 0, row.value), 1);
        EXPECT_EQ(effect->getParameter(effect, 4), row.stored);
        EXPECT_EQ(text(effGetParamDisplay, 4), row.display);
        EXPECT_EQ(headlessCount("invalidateWindow"), repaints + 1);
    }
}

} // namespace
