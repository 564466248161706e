// DLL check rows "dispatcher" and "params": every answer a host can see without audio.
#pragma once

#include "tests/wine/check_support.h"
#include "tests/wine/dll_check_record.h"

#include <cmath>
#include <limits>

namespace rows {

inline void checkConstantAnswers(AEffect* e) {
    struct Row {
        std::int32_t opcode;
        VstIntPtr want;
    };
    // Opcodes with a fixed answer; the unlisted ones of 0..58 answer 0, as do 59 and up.
    const Row table[] = {{0, 1},     {2, 1},  {3, 0},   {4, 0},  {9, 0},  {12, 1},    {16, 0},
                         {17, 0},    {18, 0}, {19, 1},  {20, 0}, {21, 0}, {22, 0},    {23, 0},
                         {24, 0},    {25, 0}, {26, 0},  {29, 0}, {35, 8}, {43, 0},    {46, 0},
                         {49, 1000}, {50, 0}, {52, 0},  {53, 0}, {57, 0}, {58, 2400}, {59, 0},
                         {60, 0},    {-1, 0}, {1000, 0}};
    for (const Row& row : table) {
        void* scratch[8] = {}; // harmless target for opcodes that might write through ptr
        const VstIntPtr got = check::dispatch(e, row.opcode, 0, 0, scratch);
        check::expect(got == row.want, "dispatcher",
                      "opcode " + check::str(row.opcode) + " answered " + check::str(got));
    }
    check::expect(e->dispatcher(nullptr, effGetVendorVersion, 0, 0, nullptr, 0.0f) == 0,
                  "dispatcher", "null record must answer 0");
}

inline void checkIdentityTexts(AEffect* e) {
    check::expectText(e, "dispatcher", effGetEffectName, 0, "Tolvane-Q", 32);
    check::expectText(e, "dispatcher", effGetVendorString, 0, "Morvel Audio", 32);
    check::expectText(e, "dispatcher", effGetProductString, 0, "Morvel Tolvane-Q", 32);
    check::expectText(e, "dispatcher", effGetProgramName, 0, "01: Master Vocal", 24);
    for (std::int32_t op :
         {effGetEffectName, effGetVendorString, effGetProductString, effGetProgramName}) {
        check::expect(check::dispatch(e, op) == 1, "dispatcher",
                      "text opcode " + check::str(op) + " with null ptr must answer 1");
    }
}

inline void checkCanDo(AEffect* e) {
    struct Row {
        const char* text;
        VstIntPtr want;
    };
    const Row table[] = {{"2in2out", 1},
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
                         {"", 0},
                         {"receiveVstEvents", 0}};
    for (const Row& row : table) {
        char text[64];
        std::snprintf(text, sizeof text, "%s", row.text);
        const VstIntPtr got = check::dispatch(e, effCanDo, 0, 0, text);
        check::expect(got == row.want, "dispatcher",
                      std::string("canDo \"") + row.text + "\" answered " + check::str(got));
    }
    check::expect(check::dispatch(e, effCanDo) == 0, "dispatcher", "canDo null answered != 0");
}

inline void checkEditorRectAndBypass(AEffect* e) {
    ERect* first = nullptr;
    ERect* second = nullptr;
    check::expect(check::dispatch(e, effEditGetRect, 0, 0, &first) == 1, "dispatcher",
                  "effEditGetRect answer");
    check::dispatch(e, effEditGetRect, 0, 0, &second);
    check::expect(first != nullptr && first == second, "dispatcher", "editor rect moves");
    if (first != nullptr) {
        check::expect(first->top == 0 && first->left == 0 && first->bottom == 580 &&
                          first->right == 920,
                      "dispatcher", "editor rect is not 0,0,580,920");
    }
    check::expect(check::dispatch(e, effEditGetRect) == 0, "dispatcher", "GetRect null ptr");
    check::expect(check::dispatch(e, effEditOpen) == 0, "dispatcher", "EditOpen null ptr");
    check::expect(check::dispatch(e, effSetBypass, 0, 1) == 1, "dispatcher", "bypass answer");
    check::expect(e->getParameter(e, 4) == 1.0f, "dispatcher", "bypass on: param 4 != 1");
    check::expectText(e, "dispatcher", effGetParamDisplay, 4, "BYPASS", 24);
    check::dispatch(e, effSetBypass, 0, 0);
    check::expect(e->getParameter(e, 4) == 0.0f, "dispatcher", "bypass off: param 4 != 0");
    check::expectText(e, "dispatcher", effGetParamDisplay, 4, "ACTIVE", 24);
    check::expect(check::dispatch(e, effSetSampleRate, 0, 0, nullptr, 0.0f) == 1, "dispatcher",
                  "effSetSampleRate answer");
    check::expect(check::dispatch(e, effSetBlockSize, 0, -5) == 1, "dispatcher",
                  "effSetBlockSize answer");
}

inline void checkDispatcher(Entry entry) {
    AEffect* e = entry(hostCallback);
    if (!check::expect(e != nullptr, "dispatcher", "no instance")) {
        return;
    }
    checkConstantAnswers(e);
    checkIdentityTexts(e);
    checkCanDo(e);
    checkEditorRectAndBypass(e);
    check::dispatch(e, effClose);
}

inline void checkParameterTexts(AEffect* e) {
    const char* names[] = {"Output Trim", "VAVU Coupling", "172 Sieve", "580 Limiter", "Bypass"};
    const char* labels[] = {"dB", "%", "%", "%", "state"};
    const char* displays[] = {"+0.0", "85", "90", "92", "ACTIVE"};
    const float defaults[] = {0.5f, 0.85f, 0.90f, 0.92f, 0.0f};
    for (int i = 0; i < 5; ++i) {
        check::expectText(e, "params", effGetParamName, i, names[i], 16);
        check::expectText(e, "params", effGetParamLabel, i, labels[i], 8);
        check::expectText(e, "params", effGetParamDisplay, i, displays[i], 24);
        check::expect(e->getParameter(e, i) == defaults[i], "params",
                      "default of " + check::str(i));
    }
    check::expectText(e, "params", effGetParamName, 5, "Param 6", 16);
    check::expectText(e, "params", effGetParamName, 7, "Param 8", 16);
    check::expectText(e, "params", effGetParamLabel, 9, "", 8);
    check::expectText(e, "params", effGetParamLabel, -1, "", 8);
    check::expectText(e, "params", effGetParamDisplay, 9, "0.0", 24);
    for (std::int32_t op : {effGetParamName, effGetParamLabel, effGetParamDisplay}) {
        check::expect(check::dispatch(e, op, 0) == 0, "params",
                      "opcode " + check::str(op) + " with null ptr must answer 0");
    }
}

inline void checkClamping(AEffect* e) {
    struct Row {
        std::int32_t index;
        float value;
        float stored;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Row table[] = {{1, 1.7f, 1.0f},     {1, -0.3f, 0.0f}, {1, nan, 1.0f},
                         {1, 0.25f, 0.25f},   {2, -0.0f, 0.0f}, {3, 1.0f, 1.0f},
                         {3, 0.999f, 0.999f}, {4, 0.3f, 0.3f},  {0, 1e-7f, 1e-7f}};
    for (const Row& row : table) {
        e->setParameter(e, row.index, row.value);
        const float got = e->getParameter(e, row.index);
        check::expect(got == row.stored && !std::signbit(got), "params",
                      "set " + std::to_string(row.value) + " on " + check::str(row.index) +
                          " stored " + std::to_string(got));
    }
    float before[5];
    for (int i = 0; i < 5; ++i) {
        before[i] = e->getParameter(e, i);
    }
    e->setParameter(e, 5, 0.9f);
    e->setParameter(e, -1, 0.9f);
    for (int i = 0; i < 5; ++i) {
        check::expect(e->getParameter(e, i) == before[i], "params", "index 5/-1 set changed one");
    }
    check::expect(e->getParameter(e, 5) == 0.0f && e->getParameter(e, -1) == 0.0f, "params",
                  "getter for index 5/-1 not 0");
}

inline void checkDisplays(AEffect* e) {
    struct Row {
        std::int32_t index;
        float value;
        const char* text;
    };
    const Row table[] = {{0, 0.75f, "+6.0"}, {0, 0.0f, "-12.0"},   {0, 1.0f, "+12.0"},
                         {0, 0.5f, "+0.0"},  {1, 0.333f, "33"},    {2, 1.0f, "100"},
                         {3, 0.0f, "0"},     {4, 0.49f, "ACTIVE"}, {4, 0.5f, "BYPASS"}};
    for (const Row& row : table) {
        e->setParameter(e, row.index, row.value);
        check::expectText(e, "params", effGetParamDisplay, row.index, row.text, 24);
    }
}

inline void checkParameters(Entry entry) {
    AEffect* e = entry(hostCallback);
    AEffect* other = entry(hostCallback);
    if (!check::expect(e != nullptr && other != nullptr, "params", "no instance")) {
        return;
    }
    checkParameterTexts(e);
    checkClamping(e);
    checkDisplays(e);
    check::expect(other->getParameter(other, 0) == 0.5f, "params", "instances share parameters");
    check::dispatch(e, effClose);
    check::dispatch(other, effClose);
}

} // namespace rows
