// Spectrum analyser: a 1024-point windowed FFT of the mono output, smoothed per bin in dB.
// The ring goes through the window (a sample that is not finite counts as silence, so one
// bad sample cannot turn the whole transform into infinities and NaNs), the transform, each
// bin's level in dB (a level that is not finite counts as silence too: the slow fall would
// otherwise hold an infinite bin for good, and the gain mapping reads these bins), and the
// smoothing: fast rise, slow fall, so transients show at once and the display settles
// calmly.
//
// Done all at once when the ring fills, the analysis made every sixteenth small host block
// several times as heavy as the others. So the work follows the samples instead: each
// sample is windowed as it arrives, the transform's first stages run late in the ring's
// last quarter for the groups whose samples are in, its first part at the fill and its
// second part right after, and the split pass, the bins' levels and smoothing come in
// slices over the next few hundred samples. Nothing reads the spectrum in between except
// the modulation tick's redesigns, each of which gets the bins it reads finished first
// (analysisAround), and the editor, which copies the spectrum only when analysisCount says a whole
// one is in (an edit made meanwhile is designed again once it is in: engine_exchange.cpp). With
// 64-sample host blocks the extra work lands in eleven blocks of the sixteen a ring takes,
// the heaviest carrying about half an ordinary block's work and most of them a small part
// of it, and the other five only window their samples.
// Every step is the step the one-shot analysis (runAnalyser) takes on the same values, so
// the spectrum, and each bin the tick sees, is the one-shot one bit for bit.
#include "dsp/engine.h"
#include "dsp/kernels.h"
#include "dsp/real_fft.h"

#include <algorithm>

namespace {

// 20 log10(2 / 1024): the level of a full-scale sine's bin, folded into the power's dB.
constexpr double kBinScaleDb = -54.18539921951662;

// The transform's first stages wait until the groups of the ring's first 960 samples are
// complete and then run at once: one block of a 64-sample host carries them rather than
// four blocks carrying a little each, so that most blocks carry nothing of the analysis.
constexpr std::int32_t kFirstGroupsAtOnce = 96;
// When the transform's second part runs (unless a tick comes first), in samples after the
// fill: in the block after the fill's, which the first tick after the fill (31 samples
// after it, ticks and fills both falling on multiples of 32 samples) would force anyway.
// The fill's block has the first part and the last first stages.
constexpr std::int32_t kSecondPartAt = 1;
// The levels come in slices of eight chunks (the last one takes bin 512 as well), one
// slice every 64 samples from 96 samples after the fill: all in within 544 samples, long
// before the next fill, one slice per 64-sample block, and never in the blocks that carry
// the transform's parts. Sixteen chunks at once made each of those blocks nearly as heavy
// as the transform's.
constexpr int kSliceChunks = 8;
constexpr int kSlices = kSpectrumChunks / kSliceChunks;
constexpr std::int32_t kFirstSliceAt = 96;
constexpr std::int32_t kSliceEvery = 64;
static_assert(kSlices * kSliceChunks + 1 == kSpectrumChunks, "the last slice takes bin 512");
static_assert(kSpectrumChunk == kFftSplitChunk && kFftSplitChunks + 1 == kSpectrumChunks,
              "a chunk's levels need the split pass of its own and the previous chunk");

struct Workspace {
    double* samples; // the windowed ring
    double* work;    // the transform's scratch
    double* power;   // the bins' powers, then their fresh levels
};

// Null pointers if the engine lacks its arrays (never: it is built with them).
Workspace workspace(Engine& inst) noexcept {
    if (inst.fftScratch.size() != static_cast<std::size_t>(kAnalyserWorkspace) ||
        inst.analysisRing.size() < static_cast<std::size_t>(kAnalysisSize) ||
        inst.hannWindow.size() < static_cast<std::size_t>(kAnalysisSize) ||
        inst.spectrumDb.size() < static_cast<std::size_t>(kSpectrumBins)) {
        return {nullptr, nullptr, nullptr};
    }
    double* samples = inst.fftScratch.data();
    return {samples, samples + kAnalysisSize, samples + 3 * kAnalysisSize};
}

// The workspace while an analysis is pending; null pointers when none is (or the engine
// lacks its arrays).
Workspace pendingWorkspace(Engine& inst) noexcept {
    return inst.analysis.pending ? workspace(inst) : Workspace{nullptr, nullptr, nullptr};
}

// The split pass's chunks from..to - 1 that are not done yet, consecutive ones in one call.
void splitChunks(AnalysisProgress& a, const Workspace& ws, int from, int to) noexcept {
    for (int c = from; c < to;) {
        if (a.splitDone.test(static_cast<std::size_t>(c))) {
            ++c;
            continue;
        }
        int end = c;
        while (end < to && !a.splitDone.test(static_cast<std::size_t>(end))) {
            a.splitDone.set(static_cast<std::size_t>(end));
            ++end;
        }
        realFftSplit(ws.work, ws.power, c, end);
        c = end;
    }
}

// Levels and smoothing of the chunks from..to - 1 that are not done yet, consecutive ones
// in one call. Chunk boundaries are multiples of eight bins, so every vector kernel takes
// the same bins in the same lanes as over the whole spectrum, and bin 512 goes through the
// same tail.
void finishChunks(Engine& inst, const Workspace& ws, int from, int to) noexcept {
    const Kernels& k = kernels();
    AnalysisProgress& a = inst.analysis;
    for (int c = from; c < to;) {
        if (a.chunksDone.test(static_cast<std::size_t>(c))) {
            ++c;
            continue;
        }
        int end = c;
        while (end < to && !a.chunksDone.test(static_cast<std::size_t>(end))) {
            a.chunksDone.set(static_cast<std::size_t>(end));
            --a.chunksLeft;
            ++end;
        }
        // Chunk c's bins 8c .. 8c + 7 come from split chunks c - 1 and c (bins 0 and 512
        // from the transform's second part).
        splitChunks(a, ws, std::max(c - 1, 0), std::min(end, kFftSplitChunks));
        const int bin = c * kSpectrumChunk;
        const int count = std::min(end * kSpectrumChunk, kSpectrumBins) - bin;
        k.levels(ws.power + bin, count, kBinScaleDb);
        k.smooth(inst.spectrumDb.data() + bin, ws.power + bin, count);
        c = end;
    }
}

void finishTransform(Engine& inst, const Workspace& ws) noexcept {
    AnalysisProgress& a = inst.analysis;
    while (a.fftPartsDone < kFftParts) {
        realFftPart(ws.samples, ws.work, ws.power, a.fftPartsDone);
        ++a.fftPartsDone;
    }
}

// The whole spectrum is in: the editor may copy it.
void completeIfDone(Engine& inst) noexcept {
    AnalysisProgress& a = inst.analysis;
    if (a.pending && a.fftPartsDone == kFftParts && a.chunksLeft == 0) {
        a.pending = false;
        ++inst.analysisCount;
    }
}

} // namespace

// Audio thread: ring samples from..from + count - 1 have just arrived. They are windowed,
// and once the first kFirstGroupsAtOnce groups of the transform are complete, the first
// stages run for every group whose samples are all in.
void ringArrived(Engine& inst, std::int32_t from, std::int32_t count) noexcept {
    const Workspace ws = workspace(inst);
    if (ws.samples == nullptr || from < 0 || count < 0 || from + count > kAnalysisSize) {
        return;
    }
    kernels().window(ws.samples + from, inst.analysisRing.data() + from,
                     inst.hannWindow.data() + from, count);
    // Group g is complete with ring sample 769 + 2g (real_fft.h).
    const std::int32_t ready = std::clamp((from + count - 768) / 2, 0, kFftFirstGroups);
    AnalysisProgress& a = inst.analysis;
    if (ready > a.firstGroupsDone && ready >= kFirstGroupsAtOnce) {
        finishAnalysis(inst); // the last analysis ended long ago: the scratch is free
        realFftFirstStages(ws.samples, ws.work, a.firstGroupsDone, ready);
        a.firstGroupsDone = ready;
    }
}

// Audio thread, when the ring has filled (every sample of it windowed on arrival).
void startAnalysis(Engine& inst) noexcept {
    finishAnalysis(inst); // never pending by now: the last one ended 700 samples ago
    const Workspace ws = workspace(inst);
    if (ws.samples == nullptr) {
        return;
    }
    AnalysisProgress& a = inst.analysis;
    realFftFirstStages(ws.samples, ws.work, a.firstGroupsDone, kFftFirstGroups); // none left
    a.firstGroupsDone = 0;                                                       // the next ring's
    a.pending = true;
    a.sinceFill = 0;
    a.fftPartsDone = 0;
    a.chunksDone.reset();
    a.splitDone.reset();
    a.chunksLeft = kSpectrumChunks;
    a.slicesDone = 0;
    realFftPart(ws.samples, ws.work, ws.power, 0);
    a.fftPartsDone = 1;
    if (kSecondPartAt == 0) {
        finishTransform(inst, ws);
    }
}

// Audio thread: `samples` more have been fed since the fill; whatever is due by now runs.
void advanceAnalysis(Engine& inst, std::int32_t samples) noexcept {
    const Workspace ws = pendingWorkspace(inst);
    if (ws.samples == nullptr) {
        return;
    }
    AnalysisProgress& a = inst.analysis;
    a.sinceFill += std::min(samples, kAnalysisSize); // cannot overflow before it finishes
    if (a.sinceFill >= kSecondPartAt) {
        finishTransform(inst, ws);
    }
    // Each slice once, when it falls due (a tick may have done some of its chunks already).
    for (; a.slicesDone < kSlices && a.sinceFill >= kFirstSliceAt + a.slicesDone * kSliceEvery;
         ++a.slicesDone) {
        const int s = a.slicesDone;
        const int last = s == kSlices - 1 ? kSpectrumChunks : (s + 1) * kSliceChunks;
        finishChunks(inst, ws, s * kSliceChunks, last);
    }
    completeIfDone(inst);
}

// Audio thread, right before a band's redesign reads the spectrum around its bin: the
// bins it reads, bin - 2 .. bin + 2 (none outside 2..510), of an analysis still coming in.
// Only a band that moved reads the spectrum at a tick, so most ticks ask for nothing.
void analysisAround(Engine& inst, std::int32_t bin) noexcept {
    const Workspace ws = pendingWorkspace(inst);
    if (ws.samples == nullptr || bin < 2 || bin > kSpectrumBins - 3) {
        return;
    }
    finishTransform(inst, ws);
    finishChunks(inst, ws, (bin - 2) / kSpectrumChunk, (bin + 2) / kSpectrumChunk + 1);
    completeIfDone(inst);
}

// Owner of the engine: whatever is left of a pending analysis, now.
void finishAnalysis(Engine& inst) noexcept {
    const Workspace ws = pendingWorkspace(inst);
    if (ws.samples == nullptr) {
        return;
    }
    finishTransform(inst, ws);
    finishChunks(inst, ws, 0, kSpectrumChunks);
    completeIfDone(inst);
}

// The whole analysis of the ring at once, in the engine's preallocated workspace so that
// it never allocates.
void runAnalyser(Engine& inst) noexcept {
    finishAnalysis(inst);
    const Workspace ws = workspace(inst);
    if (ws.samples == nullptr) {
        return;
    }
    const Kernels& k = kernels();
    k.window(ws.samples, inst.analysisRing.data(), inst.hannWindow.data(), kAnalysisSize);
    realFftPower(ws.samples, ws.work, ws.power);
    k.levels(ws.power, kSpectrumBins, kBinScaleDb);
    k.smooth(inst.spectrumDb.data(), ws.power, kSpectrumBins);
    ++inst.analysisCount;
    inst.analysis.firstGroupsDone = 0; // the scratch is overwritten: a filling ring's again
}
