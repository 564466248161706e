// The engine's work that each instruction set does its own way, as one record of function
// pointers. x86/kernel_select.cpp (generic/kernel_select.cpp elsewhere) fills it once, from
// what the processor has; the audio path and the analyser call through it and never ask
// which instruction set runs. The portable kernels (generic/) are the baseline the others
// are tested against: the wide (AVX2 and FMA) and widest (AVX-512) kernels give each
// other's results bit for bit, and the baseline's within the float output's rounding.
#pragma once

#include "dsp/cascade.h"
#include "dsp/cascade_skewed.h"
#include "dsp/detector.h"
#include "dsp/real_fft.h"
#include "dsp/stereo_pair.h"

#include <cstdint>

// The kernels' kinds, so that each instruction set's header declares its own by kind
// (`kernel::CascadeRun cascadeRun;`) and the record holds pointers to them.
namespace kernel {

// Runs the sane samples at the start of `left`/`right` (up to `count`, at most 32) through
// every stage of the cascade, writes their outputs to `y` and answers how many it took: it
// stops before the first sample beyond `saneLimit` in magnitude (or not a number), which
// the caller runs on the checked path. The detector steps of the samples it takes from
// index `detectFrom` on are run in between.
using CascadeRun = std::int32_t(Cascade& cascade, const DetectorTerms& terms,
                                DetectorState& detector, std::int32_t detectFrom, const float* left,
                                const float* right, StereoPair* y, std::int32_t count,
                                double saneLimit) noexcept;
// The skewed cascade (cascade_skewed.h); StartSkewed answers false where an instruction
// set has none, and the plain loop runs instead.
using StartSkewed = bool(SkewedCascade& pipe, const Cascade& cascade) noexcept;
using RunSkewed = std::int32_t(SkewedCascade& pipe, Cascade& cascade, const DetectorTerms& terms,
                               DetectorState& detector, std::int32_t detectFrom, const float* left,
                               const float* right, std::int32_t count, StereoPair* y) noexcept;
using DrainSkewed = std::int32_t(SkewedCascade& pipe, Cascade& cascade, StereoPair* y) noexcept;
// How many samples at the start are finite in both channels.
using FiniteLength = std::int32_t(const float* left, const float* right,
                                  std::int32_t count) noexcept;
// Trim and limiter (engaged: limiter above 0.01) over the cascade's outputs `y` of a run
// into the block; `checked` marks samples that took the checked path, which go through the
// one-value form. `settings`: outputLanes<double>(trim, limiter), worked out once per block
// (a square root and three divisions in a row, which each run would otherwise wait for).
using FinishRun = void(const StereoPair* y, const bool* checked, std::int32_t count,
                       const OutputLanes<double>& settings, float* left, float* right) noexcept;
// detectorInput (detector.h) of each of `count` samples into `inputs`.
using DetectorInputs = void(const float* left, const float* right, std::int32_t count,
                            double* inputs) noexcept;
// The mono sum (left + right) / 2 of `count` samples into `mono`.
using MonoSum = void(const float* left, const float* right, std::int32_t count,
                     float* mono) noexcept;
// The largest finite magnitude of `count` samples (0 for none).
using PeakMagnitude = float(const float* samples, std::int32_t count) noexcept;
// The analyser (analyser.cpp, real_fft.h): the ring through the window (a sample that is
// not finite counts as 0), the transform's powers, the bins' levels in dB in place of their
// powers, and the displayed spectrum's smoothing.
using Window = void(double* samples, const float* ring, const double* window, int count) noexcept;
// The transform's first two stages (twiddles 1 and -i: additions alone, the same bits on
// every path) for the groups of four from..to - 1 (real_fft.h), straight from the windowed
// samples in bit-reversed order.
using FftFirstStages = void(const RealFftTables& tables, const double* samples, double* work,
                            int from, int to) noexcept;
// The transform in kFftParts parts, run in order (real_fft.h says where each ends): the
// analyser spreads them over the samples after the ring fills.
using FftPart = void(const RealFftTables& tables, const double* samples, double* work,
                     double* power, int part) noexcept;
// The split pass for bins from..to - 1 (1 <= from, to <= kRealFftHalf) once the parts are
// done: from - 1 a multiple of kFftSplitChunk and to too unless it is kRealFftHalf, so that
// every bin takes the lanes (or the one-value tail) it takes over the whole range.
using FftSplit = void(const RealFftTables& tables, const double* work, double* power, int from,
                      int to) noexcept;
using Levels = void(double* power, int count, double binScaleDb) noexcept;
using Smooth = void(float* spectrumDb, const double* levels, int count) noexcept;

} // namespace kernel

struct Kernels {
    const char* name; // "baseline", "avx2" or "avx512", as TOLVANE_VECTOR_PATH names them
    kernel::CascadeRun* cascadeRun;
    kernel::StartSkewed* startSkewed;
    kernel::RunSkewed* runSkewed;
    kernel::DrainSkewed* drainSkewed;
    kernel::FiniteLength* finiteLength;
    kernel::FinishRun* finishRun;
    kernel::DetectorInputs* detectorInputs;
    kernel::MonoSum* monoSum;
    kernel::PeakMagnitude* peakMagnitude;
    kernel::Window* window;
    kernel::FftFirstStages* fftFirstStages;
    kernel::FftPart* fftPart;
    kernel::FftSplit* fftSplit;
    kernel::Levels* levels;
    kernel::Smooth* smooth;
};

// Any thread: the record in use. Filled at the first call (which reads
// TOLVANE_VECTOR_PATH), so an engine's constructor calls it before the audio thread can.
const Kernels& kernels() noexcept;

// The instruction sets a record can be for, in order.
enum class VectorPath { Baseline, Wide, Widest };

// Any thread: which one is in use.
VectorPath vectorPathInUse() noexcept;

// The record for `path`, or null where the processor lacks it (or TOLVANE_VECTOR_PATH
// caps the paths below it): tests compare each with the portable one.
const Kernels* kernelsFor(VectorPath path) noexcept;

// Tests only: use no path wider than `highest` (nor than TOLVANE_VECTOR_PATH allows);
// VectorPath::Widest lifts the limit again.
void limitVectorPath(VectorPath highest) noexcept;
