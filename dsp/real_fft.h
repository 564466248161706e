// The analyser's transform: a 1024-point FFT of real samples, computed as a 512-point
// complex FFT of the even and odd samples and one split pass. Twiddle factors come from a
// table built once (off the audio thread, when the first engine is built); the passes are
// kernels (kernels.h), one per instruction set.
#pragma once

#include "dsp/lanes.h"

#include <vector>

constexpr int kRealFftSize = 1024;
constexpr int kRealFftBins = kRealFftSize / 2 + 1;
constexpr int kRealFftHalf = kRealFftSize / 2; // the complex transform's length

// Complex values are kept as separate real and imaginary arrays so that one register
// holds neighbouring butterflies.
struct RealFftTables {
    std::vector<int> bitReversed;         // kRealFftHalf entries
    std::vector<double> stageRe, stageIm; // per stage of half-length h >= 4: e^(-pi i j / h)
    std::vector<double> splitRe, splitIm; // e^(-2 pi i k / kRealFftSize), k <= kRealFftHalf
};

// Builds the shared tables if they are not built yet. Any thread; call it before the audio
// thread may run a transform.
void prepareRealFft();

// The transform runs in pieces, so that the analyser can put them in different host
// blocks. The first two stages go by groups of four elements: group g (0..127) takes the
// sample pairs g, g + 128, g + 256 and g + 384, so it can run as soon as pair g + 384 is
// in (samples up to 769 + 2g), during the ring's last quarter. Then two parts: the first
// runs the stages of half-length 4 up to kFftSecondPartFrom, the second the remaining
// stages and bins 0 and 512; the split pass gives the
// other bins, kFftSplitChunk at a time (bins 8c + 1 .. 8c + 8). Each butterfly is the one
// the whole transform would run, in the same order of stages, and each bin goes through
// the same lanes, so the pieces give the whole transform's bits.
constexpr int kFftFirstGroups = kRealFftHalf / 4;
constexpr int kFftParts = 2;
// Four stages in the first part and three in the second: the first part's block also runs
// the last quarter of the first stages, so this evens out the two blocks.
constexpr int kFftSecondPartFrom = 64;
constexpr int kFftSplitChunk = 8;
constexpr int kFftSplitChunks = kRealFftHalf / kFftSplitChunk;

// `samples`: kRealFftSize real values; `work`: 2 * kRealFftSize doubles of scratch. Writes
// the squared magnitude of bins 0..512 into `power`.
void realFftPower(const double* samples, double* work, double* power) noexcept;

// Groups from..to - 1 of the first two stages.
void realFftFirstStages(const double* samples, double* work, int from, int to) noexcept;

// After every group: one part of the transform (0 before 1, same `work` and `power`).
void realFftPart(const double* samples, double* work, double* power, int part) noexcept;

// After both parts: split chunks from..to - 1 (bins 8 from + 1 .. min(8 to, 511)).
void realFftSplit(const double* work, double* power, int from, int to) noexcept;

// One radix-2 butterfly, u + w x and u - w x, on any lane type (lanes.h).
template <class V> struct Butterfly { V ur, ui, xr, xi; };
template <class V> inline Butterfly<V> butterfly(V ur, V ui, V xr, V xi, V wr, V wi) {
    const V vr = mulSub(xr, wr, xi * wi);
    const V vi = mulAdd(xr, wi, xi * wr);
    return {ur + vr, ui + vi, ur - vr, ui - vi};
}

// The stages after the first two, over a lane policy L: L::V the lane type, L::kWidth its
// doubles, L::load and L::store. Each instruction set brings its policy; the passes are
// these. Stage h's twiddles start at h - 4 in the table (the stages of 4 .. h / 2 come
// first), so stage 2h's follow stage h's at + h.
namespace fft_passes {

// The stage of half-length h alone.
template <class L>
inline void stage(double* re, double* im, const double* wRe, const double* wIm, int h) {
    for (int s = 0; s < kRealFftHalf; s += 2 * h) {
        for (int j = 0; j < h; j += L::kWidth) {
            double* r = re + s + j;
            double* i = im + s + j;
            const Butterfly<typename L::V> b =
                butterfly(L::load(r), L::load(i), L::load(r + h), L::load(i + h), L::load(wRe + j),
                          L::load(wIm + j));
            L::store(r, b.ur);
            L::store(i, b.ui);
            L::store(r + h, b.xr);
            L::store(i + h, b.xi);
        }
    }
}

// The stages of half-length h and 2h in one pass: the four quarters of each block of 4h
// elements are loaded once, go through both stages' butterflies in registers and are
// stored once. Element for element the same butterflies, in the same order of stages, as
// two single passes.
template <class L>
inline void stagePair(double* re, double* im, const double* wRe, const double* wIm, int h) {
    using V = typename L::V;
    const double* vRe = wRe + h;
    const double* vIm = wIm + h;
    for (int s = 0; s < kRealFftHalf; s += 4 * h) {
        for (int j = 0; j < h; j += L::kWidth) {
            double* r = re + s + j;
            double* i = im + s + j;
            const V wr = L::load(wRe + j), wi = L::load(wIm + j);
            const Butterfly<V> a =
                butterfly(L::load(r), L::load(i), L::load(r + h), L::load(i + h), wr, wi);
            const Butterfly<V> b = butterfly(L::load(r + 2 * h), L::load(i + 2 * h),
                                             L::load(r + 3 * h), L::load(i + 3 * h), wr, wi);
            const Butterfly<V> c =
                butterfly(a.ur, a.ui, b.ur, b.ui, L::load(vRe + j), L::load(vIm + j));
            const Butterfly<V> d =
                butterfly(a.xr, a.xi, b.xr, b.xi, L::load(vRe + j + h), L::load(vIm + j + h));
            L::store(r, c.ur);
            L::store(i, c.ui);
            L::store(r + h, d.ur);
            L::store(i + h, d.ui);
            L::store(r + 2 * h, c.xr);
            L::store(i + 2 * h, c.xi);
            L::store(r + 3 * h, d.xr);
            L::store(i + 3 * h, d.xi);
        }
    }
}

// The stages of half-length `from` up to (not including) `to`, two at a time while both
// are in the range.
template <class L>
inline void laterStages(double* re, double* im, const RealFftTables& t, int from, int to) {
    int h = from;
    while (h < to) {
        const double* wRe = t.stageRe.data() + (h - 4);
        const double* wIm = t.stageIm.data() + (h - 4);
        if (2 * h < to) {
            stagePair<L>(re, im, wRe, wIm, h);
            h *= 4;
        } else {
            stage<L>(re, im, wRe, wIm, h);
            h *= 2;
        }
    }
}

} // namespace fft_passes

// Bins 0 and kRealFftHalf are real: the sum and the difference of the even and odd parts.
inline void edgePowers(const double* re, const double* im, double* power) noexcept {
    power[0] = (re[0] + im[0]) * (re[0] + im[0]);
    power[kRealFftHalf] = (re[0] - im[0]) * (re[0] - im[0]);
}

// Bin k's power from the complex transform's bins k (z) and kRealFftHalf - k (c, conjugated
// by the caller) and the split twiddle w.
template <class V> inline V splitPower(V zr, V zi, V cr, V ci, V wr, V wi) {
    const V half = splatAs<V>(0.5);
    const V er = half * (zr + cr), ei = half * (zi + ci);
    const V orr = half * (zi - ci), oi = splatAs<V>(-0.5) * (zr - cr); // (Z - conj Z') / 2i
    const V xr = er + mulSub(orr, wr, oi * wi);
    const V xi = ei + mulAdd(orr, wi, oi * wr);
    return mulAdd(xr, xr, xi * xi);
}
