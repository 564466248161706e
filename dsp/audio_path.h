// The pieces of the audio path that its two loops share: the plain one (process_block.cpp)
// and the skewed one (process_skewed.cpp). Audio thread only, like processBlock.
#pragma once

#include "dsp/cascade.h"
#include "dsp/engine.h"
#include "dsp/kernels.h"
#include "dsp/stereo_pair.h"

#include <cstdint>

// Samples between two modulation ticks at most (a tick every 32 samples).
constexpr std::int32_t kMaxRun = 32;

// Inputs up to this size cannot overflow any stable stage of the cascade, so the stages'
// own finiteness checks are only needed beyond it (or for NaN and infinities).
constexpr double kSaneInput = 1e100;

struct OutputStage {
    float trim;
    float limiter;
    OutputLanes<double> limiting; // outputLanes(trim, limiter), when the limiter is engaged
};
// The block's output stage: trim and limiter, with the limiter's settings worked out once.
OutputStage outputStage(float trim, float limiter) noexcept;

// The samples up to the next modulation tick (at most kMaxRun), and where the detector
// steps still to be run for them start. A tick can only fall on the run's first sample: it
// runs right after that sample's detector step and before any of the run is filtered,
// exactly where the sample-by-sample order puts it.
struct Run {
    std::int32_t length;
    std::int32_t detectFrom;
};

// The next run from `left`/`right` (`available` samples left in the block), with its tick.
Run startRun(Engine& inst, Cascade& cascade, const float* left, const float* right,
             std::int32_t available) noexcept;

// The modulation's drives derived from the envelope, at a tick and at the block's end.
void finishDrives(Engine& inst) noexcept;

// One detector step outside the cascade kernels.
void detectOne(Engine& inst, DetectorState& detector, float left, float right) noexcept;

// A sample that is not sane through every stage one channel at a time, with the checks
// that reset a stage that blows up.
StereoPair runCheckedSample(Engine& inst, Cascade& cascade, double L, double R) noexcept;

// The band filters one channel at a time, for a sample the compact cascade does not take
// (more enabled bands than it holds), with the same checks.
StereoPair runFiltersSlowly(Engine& inst, double L, double R) noexcept;

// Trim and limiter over the cascade's outputs of a stretch of samples, into the block.
void finishOutputs(const Kernels& k, const StereoPair* y, const bool* checked, std::int32_t count,
                   OutputStage out, float* left, float* right) noexcept;

// The stretch's mono sum into the analyser's ring, windowed on arrival, with the pending
// analysis advanced by the samples and a new one started whenever the ring fills.
void feedAnalyser(const Kernels& k, Engine& inst, const float* left, const float* right,
                  std::int32_t count) noexcept;

// The cascade's outputs, gathered over several runs before the output stage and the
// analyser take them: the output stage's frames are independent of each other, and one
// run's few would leave its work waiting on its own latency.
struct Gathered {
    static constexpr std::int32_t kCapacity = 8 * kMaxRun;
    StereoPair y[kCapacity];
    bool checked[kCapacity]; // took the checked path
    std::int32_t count = 0;  // outputs gathered, for the block's samples from `next` on
    std::int32_t next = 0;
};

// The gathered outputs through the output stage into the block, and to the analyser.
void finishGathered(const Kernels& k, Engine& inst, Gathered& g, OutputStage out, float* left,
                    float* right) noexcept;

// Room for `more` outputs, finishing those gathered first when there is not.
void makeRoom(const Kernels& k, Engine& inst, Gathered& g, std::int32_t more, OutputStage out,
              float* left, float* right) noexcept;

// Whether a tick, when the next run starts with one, must have the gathered outputs (and
// `inFlight` samples more still in a pipeline) finished first: it reads the spectrum, and
// an analysis completing among them would inform it.
bool tickNeedsGathered(const Engine& inst, const Gathered& g, std::int32_t inFlight) noexcept;
