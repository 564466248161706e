// Every dispatcher opcode a VST 2.4 host can send (and a few no host should), each with
// odd index, value and opt, with a null pointer and with a large zeroed buffer. Nothing
// may crash, and a block processed right after each call must come out finite.
#pragma once

#include "tests/hostile/hostile_plugin.h"

#include <cstdint>

namespace hostile {

// VST 2.4 opcodes that host/vst_abi.h has no names for (the plug-in ignores them) but
// whose arguments a host fills with pointers or record counts; see safeValue.
constexpr std::int32_t kOfflineNotify = 38;
constexpr std::int32_t kOfflinePrepare = 39;
constexpr std::int32_t kOfflineRun = 40;
constexpr std::int32_t kSetSpeakerArrangement = 42;
constexpr std::int32_t kGetSpeakerArrangement = 69;
constexpr std::int32_t kLastKnownOpcode = 80;

struct OddArgs {
    const char* label;
    std::int32_t index;
    VstIntPtr value;
    float opt;
};

constexpr VstIntPtr kHugeValue = VstIntPtr{1} << 40;

inline constexpr OddArgs kOddArgs[] = {
    {"zeros", 0, 0, 0.0f},
    {"minus one", -1, -1, -1.0f},
    {"maxima, NaN", INT32_MAX, INTPTR_MAX, kNaN},
    {"minima, +Inf", INT32_MIN, INTPTR_MIN, kInf},
    {"large, -Inf", 12345, kHugeValue, -kInf},
    {"small, 1e30", 5, 3, 1e30f},
    {"negative, denormal", -7, -kHugeValue, -kDenormal},
};

inline std::vector<std::int32_t> sweptOpcodes() {
    std::vector<std::int32_t> opcodes;
    for (std::int32_t op = 0; op <= kLastKnownOpcode; ++op) {
        if (op != effClose) { // closing has its own checks
            opcodes.push_back(op);
        }
    }
    opcodes.insert(opcodes.end(), {-1, 1000, INT32_MAX});
    return opcodes;
}

// Where `value` is itself a pointer (speaker arrangements) or counts records at `ptr`
// (chunk bytes, offline files and tasks), a lie hands over memory the host does not own,
// which no plug-in could survive: those get the buffer itself, or a count that fits in it.
inline VstIntPtr safeValue(std::int32_t opcode, VstIntPtr value, void* ptr) {
    switch (opcode) {
    case kSetSpeakerArrangement:
    case kGetSpeakerArrangement:
        return reinterpret_cast<VstIntPtr>(ptr);
    case effSetChunk:
    case kOfflineNotify:
    case kOfflinePrepare:
    case kOfflineRun:
        return ptr != nullptr ? std::clamp<VstIntPtr>(value, 0, 16) : value;
    default:
        return value;
    }
}

// Back to what a host would have set, so every call is judged on its own.
inline void restoreHostState(Plugin& p) {
    p.dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(kRate));
    p.dispatch(effSetBlockSize, 0, kBlock);
    p.dispatch(effMainsChanged, 0, 1);
    p.dispatch(effSetBypass, 0, 0);
}

// Runs one opcode with every odd argument set and pointer; answers how many calls left
// non-finite output and describes the first. `position` walks through the music.
inline int sweepOpcode(Plugin& p, std::int32_t opcode, const Stereo& in, Stereo& out,
                       std::vector<unsigned char>& scratch, std::size_t& position,
                       std::string& first) {
    constexpr std::size_t kProbe = 256;
    int bad = 0;
    for (const OddArgs& args : kOddArgs) {
        for (const bool withBuffer : {false, true}) {
            // A zeroed buffer is not a parent window: the editor only ever gets null.
            if (withBuffer && opcode == effEditOpen) {
                continue;
            }
            std::fill(scratch.begin(), scratch.end(), 0);
            void* ptr = withBuffer ? scratch.data() : nullptr;
            p.dispatch(opcode, args.index, safeValue(opcode, args.value, ptr), ptr, args.opt);
            position = position + kProbe > in.frames() ? 0 : position;
            p.run(in, out, position, kProbe);
            if (!allFinite(out, position, kProbe) && bad++ == 0) {
                first = std::string(args.label) + (withBuffer ? ", buffer" : ", null");
            }
            position += kProbe;
            restoreHostState(p);
        }
    }
    return bad;
}

inline void checkOpcodeSweep(const Harness& h) {
    Plugin p(h);
    h.expect(p.ok(), "opcodes", "no instance");
    if (!p.ok()) {
        return;
    }
    const Stereo in = music(2 * kSecond);
    Stereo out(in.frames());
    std::vector<unsigned char> scratch(64 * 1024);
    std::size_t position = 0;
    for (const std::int32_t opcode : sweptOpcodes()) {
        std::string first;
        const int bad = sweepOpcode(p, opcode, in, out, scratch, position, first);
        h.expect(bad == 0, "opcodes",
                 "opcode " + std::to_string(opcode) + ": " + std::to_string(bad) +
                     " call(s) left non-finite output, first with " + first);
    }
    // Still an equalizer afterwards: a second of music comes out finite and audible.
    out = p.render(in);
    const double inPeak = peakOf(in, kSecond, kSecond);
    const double outPeak = peakOf(out, kSecond, kSecond);
    h.expect(outPeak < HUGE_VAL && outPeak > 0.1 * inPeak, "opcodes",
             "after the sweep the output peak is " + fmt(outPeak) + " for an input peak of " +
                 fmt(inPeak));
}

} // namespace hostile
