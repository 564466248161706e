// The analysis spread over the samples after the fill against the one-shot analysis
// (runAnalyser) on the same rings: the same spectra bit for bit, the bins a tick reads in
// before it reads them, the same audio out of the engine, and the editor shown whole
// spectra only.
#include "dsp/audio_path.h"
#include "dsp/instance_engine.h"
#include "dsp/kernels.h"
#include "tests/unit/dsp_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace {

constexpr VectorPath kPaths[] = {VectorPath::Baseline, VectorPath::Wide, VectorPath::Widest};

bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

// Programme with samples the window must take as silence, and a stretch loud enough that
// some bins' powers are huge.
dsptest::StereoSignal hostileSignal(std::size_t frames) {
    dsptest::StereoSignal s = dsptest::musicLikeSignal(frames);
    for (std::size_t i = 700; i + 5 < frames; i += 3001) {
        s.left[i] = NAN;
        s.right[i + 1] = INFINITY;
        s.left[i + 2] = -INFINITY;
        s.right[i + 2] = -INFINITY;
    }
    for (std::size_t i = frames / 2; i < frames / 2 + 300 && i < frames; ++i) {
        s.left[i] *= 3.0e37f;
    }
    return s;
}

// The one-shot engine: every spectrum its analyses produce, by analysis number, from the
// same mono samples.
std::vector<std::vector<float>> oneShotSpectra(const dsptest::StereoSignal& s) {
    auto oracle = dsptest::makeInstance();
    std::vector<std::vector<float>> spectra{oracle->spectrumDb};
    for (std::size_t i = 0; i < s.left.size(); ++i) {
        oracle->analysisRing[static_cast<std::size_t>(oracle->analysisPos)] =
            (s.right[i] + s.left[i]) * 0.5f;
        if (++oracle->analysisPos == kAnalysisSize) {
            runAnalyser(*oracle);
            oracle->analysisPos = 0;
            spectra.push_back(oracle->spectrumDb);
        }
    }
    return spectra;
}

// The modulation's record of every band's frequency terms, as its ticks leave it.
void recordFrequencyTerms(Engine& inst) {
    for (std::size_t i = 0; i < inst.bands.size() && i < inst.modTerms.size(); ++i) {
        inst.modTerms[i] = frequencyTerms(inst.bands[i].frequency, inst.sampleRate);
    }
}

// Fed in blocks of `block` with a tick every 32 samples, the spread analysis has, at every
// tick, the latest one-shot spectrum's values in every bin the tick reads, and, once whole,
// the latest one-shot spectrum in every bin.
void checkSpreadAgainstOneShot(std::size_t block) {
    const dsptest::StereoSignal s = hostileSignal(9000);
    const std::vector<std::vector<float>> expected = oneShotSpectra(s);
    auto inst = dsptest::makeInstance();
    recordFrequencyTerms(*inst);
    inst->bands[1].enabled = false;
    const Kernels& k = kernels();
    std::size_t ticks = 0, wholeChecks = 0;
    for (std::size_t at = 0; at < s.left.size();) {
        if (at % 32 == 0) {
            // A tick that redesigns every enabled band: each asks for the bins it reads.
            for (std::size_t b = 0; b < inst->bands.size(); ++b) {
                if (inst->bands[b].enabled) {
                    analysisAround(*inst, inst->modTerms[b].bin);
                }
            }
            const std::vector<float>& latest =
                expected[inst->analysisCount + (inst->analysis.pending ? 1 : 0)];
            for (std::size_t b = 0; b < inst->bands.size(); ++b) {
                const int bin = inst->modTerms[b].bin;
                const bool read = inst->bands[b].enabled && bin >= 2 && bin <= 510;
                for (int j = bin - 2; read && j <= bin + 2; ++j) {
                    ASSERT_EQ(std::memcmp(&inst->spectrumDb[j], &latest[j], sizeof(float)), 0)
                        << "tick at " << at << ", bin " << j;
                }
            }
            ++ticks;
        }
        const std::size_t toTick = 32 - at % 32;
        const std::size_t n = std::min({block - at % block, toTick, s.left.size() - at});
        feedAnalyser(k, *inst, s.left.data() + at, s.right.data() + at,
                     static_cast<std::int32_t>(n));
        at += n;
        if (!inst->analysis.pending) {
            ASSERT_TRUE(sameBits(inst->spectrumDb, expected[inst->analysisCount])) << at;
            ++wholeChecks;
        }
    }
    EXPECT_EQ(inst->analysisCount, expected.size() - 1 - (inst->analysis.pending ? 1 : 0));
    EXPECT_GT(ticks, 250u);
    EXPECT_GT(wholeChecks, 0u);
}

TEST(AnalyserSpread, GivesTheOneShotSpectrumOnEveryPathAndBlockSize) {
    for (const VectorPath path : kPaths) {
        limitVectorPath(path);
        if (kernelsFor(path) != nullptr) {
            SCOPED_TRACE(kernels().name);
            for (const std::size_t block : {1u, 7u, 64u, 512u, 37u, 1023u}) {
                SCOPED_TRACE(block);
                checkSpreadAgainstOneShot(block);
            }
        }
        limitVectorPath(VectorPath::Widest);
    }
}

// Before a redesign, the bins around its band's bin come in, for the band's frequency as it
// is now, and not the whole spectrum: the rest waits for its slices.
TEST(AnalyserSpread, RedesignGetsTheBinsAroundItsBandAsItIsNow) {
    const dsptest::StereoSignal s = dsptest::musicLikeSignal(kAnalysisSize);
    const std::vector<float> expected = oneShotSpectra(s).back();
    auto inst = dsptest::makeInstance();
    const auto fresh = dsptest::makeInstance();
    feedAnalyser(kernels(), *inst, s.left.data(), s.right.data(), kAnalysisSize);
    for (const Band& b : inst->bands) { // the bins of the bands as they were
        analysisAround(*inst, frequencyTerms(b.frequency, inst->sampleRate).bin);
    }
    inst->bands[3].frequency = 5000.0;
    ASSERT_TRUE(inst->analysis.pending);
    const int moved = frequencyTerms(5000.0, inst->sampleRate).bin;
    analysisAround(*inst, moved);
    EXPECT_TRUE(inst->analysis.pending);
    EXPECT_EQ(inst->analysisCount, 0u);
    std::size_t fresher = 0;
    for (int k = 0; k < kSpectrumBins; ++k) {
        const bool now = std::memcmp(&inst->spectrumDb[k], &expected[k], sizeof(float)) == 0;
        const bool before = inst->spectrumDb[k] == fresh->spectrumDb[k];
        EXPECT_TRUE(now || before) << k;
        fresher += now && !before ? 1 : 0;
        if (k >= moved - 2 && k <= moved + 2) {
            EXPECT_TRUE(now) << k;
        }
    }
    EXPECT_GT(fresher, 30u);
    EXPECT_LT(fresher, 200u);
    // Bins outside 2..510 are read by no redesign: nothing is done for them.
    auto edge = dsptest::makeInstance();
    feedAnalyser(kernels(), *edge, s.left.data(), s.right.data(), kAnalysisSize);
    analysisAround(*edge, 1);
    analysisAround(*edge, 511);
    EXPECT_EQ(edge->analysis.chunksLeft, kSpectrumChunks);
}

// Whatever resets or rebuilds the engine leaves no analysis half done: a reset drops it
// with its ring, a rebuild (which maps gains against the spectrum) finishes it first.
TEST(AnalyserSpread, ResetDropsAndRebuildFinishesAPendingAnalysis) {
    const dsptest::StereoSignal s = dsptest::musicLikeSignal(kAnalysisSize + 10);
    auto inst = dsptest::makeInstance();
    const auto fresh = dsptest::makeInstance();
    feedAnalyser(kernels(), *inst, s.left.data(), s.right.data(), kAnalysisSize + 10);
    ASSERT_TRUE(inst->analysis.pending);
    rebuildFilters(*inst);
    EXPECT_FALSE(inst->analysis.pending);
    EXPECT_TRUE(sameBits(inst->spectrumDb, oneShotSpectra(s).back()));

    feedAnalyser(kernels(), *inst, s.left.data(), s.right.data(), kAnalysisSize - 10);
    ASSERT_TRUE(inst->analysis.pending);
    resetRunningState(*inst, *fresh);
    EXPECT_FALSE(inst->analysis.pending);
    EXPECT_TRUE(sameBits(inst->spectrumDb, fresh->spectrumDb));
    const std::uint64_t before = inst->analysisCount;
    feedAnalyser(kernels(), *inst, s.left.data(), s.right.data(), 500);
    EXPECT_EQ(inst->analysisCount, before);
    EXPECT_TRUE(sameBits(inst->spectrumDb, fresh->spectrumDb));
}

// What happens to an engine at a sample position during a render: an edit, a bypass, a
// rate change.
using Events = std::map<std::size_t, std::function<void(Engine&)>>;

// The engine's output over `s` in blocks of `block`, cut at the events' positions. With
// `oneShot`, each analysis is run whole at its fill instead, as the engine used to.
dsptest::StereoSignal render(dsptest::StereoSignal s, std::size_t block, const Events& events,
                             bool oneShot) {
    auto inst = dsptest::makeInstance();
    for (std::size_t at = 0; at < s.left.size();) {
        if (const auto e = events.find(at); e != events.end()) {
            e->second(*inst);
        }
        const auto next = events.upper_bound(at);
        std::size_t n = oneShot ? 1 : std::min(block, s.left.size() - at);
        if (next != events.end()) {
            n = std::min(n, next->first - at);
        }
        const bool fills = inst->analysisPos + static_cast<std::int64_t>(n) >= kAnalysisSize;
        processBlock(*inst, s.left.data() + at, s.right.data() + at, static_cast<std::int32_t>(n));
        if (oneShot && fills && inst->analysis.pending) {
            inst->analysis = AnalysisProgress{}; // the ring is whole: analyse it at once
            runAnalyser(*inst);
        }
        at += n;
    }
    return s;
}

// The audio of a long modulated render with bursts, edits, bypass and a rate change is the
// one the engine gave when it analysed each ring at once, bit for bit, whatever the blocks.
TEST(AnalyserSpread, AudioIsTheOneShotEnginesBitForBit) {
    const Events events{
        {5000, [](Engine& e) { setParam(e, ParamCoupling, 1.0f); }},
        {11000,
         [](Engine& e) {
             e.bands[2].frequency *= 1.3;
             rebuildFilters(e);
         }},
        {14350, [](Engine& e) { setParam(e, ParamBypass, 1.0f); }},
        {14900, [](Engine& e) { setParam(e, ParamBypass, 0.0f); }},
        {21000, [](Engine& e) { setSampleRate(e, 44100.0f); }},
        {26000, [](Engine& e) { e.bands.push_back(e.bands[0]); }},
    };
    const dsptest::StereoSignal s = hostileSignal(40000);
    for (const VectorPath path : kPaths) {
        limitVectorPath(path);
        if (kernelsFor(path) != nullptr) {
            SCOPED_TRACE(kernels().name);
            const dsptest::StereoSignal want = render(s, 1, events, true);
            for (const std::size_t block : {1u, 7u, 64u, 512u, 333u}) {
                SCOPED_TRACE(block);
                const dsptest::StereoSignal got = render(s, block, events, false);
                EXPECT_TRUE(sameBits(got.left, want.left));
                EXPECT_TRUE(sameBits(got.right, want.right));
            }
        }
        limitVectorPath(VectorPath::Widest);
    }
}

// Exchanged after every block, the editor's copy of the spectrum is always a whole one
// the one-shot analysis produced, the latest the audio has completed: never one still
// coming in, whose bins are partly the last spectrum's.
TEST(AnalyserSpread, EditorIsShownWholeSpectraOnly) {
    const dsptest::StereoSignal input = hostileSignal(30000);
    dsptest::StereoSignal output = input; // the analyser sees the engine's output
    dsptest::processInBlocks(*dsptest::makeInstance(), output, 7);
    const std::vector<std::vector<float>> expected = oneShotSpectra(output);
    dsptest::StereoSignal s = input;
    auto inst = std::make_unique<InstanceEngine>();
    std::size_t exchangesWhilePending = 0;
    for (std::size_t at = 0; at < s.left.size(); at += 7) {
        const std::size_t n = std::min<std::size_t>(7, s.left.size() - at);
        processBlock(inst->audio, s.left.data() + at, s.right.data() + at,
                     static_cast<std::int32_t>(n));
        // Mostly the editing side holds the lock for longer than an analysis period, so
        // that exchanges come after a new analysis has started, at every phase of it.
        if ((at / 7) % 170 < 150) {
            continue;
        }
        exchangesWhilePending += inst->audio.analysis.pending ? 1 : 0;
        exchangeWithAudio(*inst);
        ASSERT_LT(inst->publishedAnalyses, expected.size());
        ASSERT_TRUE(sameBits(inst->edit.spectrumDb, expected[inst->publishedAnalyses])) << at;
        // Every analysis completed by the exchange; a pending one waits for its slices
        // (an edit made meanwhile is designed again when it is adopted).
        ASSERT_EQ(inst->publishedAnalyses, inst->audio.analysisCount);
        ASSERT_EQ(inst->editSpectrumBehind, inst->audio.analysis.pending);
    }
    EXPECT_GT(exchangesWhilePending, 10u);
    EXPECT_GT(inst->publishedAnalyses, 15u);
}

// An edit between two host blocks: what it changes on the editing side (whose rebuild it
// calls), and the number of blocks after it whose exchanges find the lock busy.
struct HostEdit {
    std::function<void(Engine&)> change;
    std::size_t busyBlocks = 0;
};

void moveBand(Engine& e) {
    e.bands[2].frequency *= 1.3;
}

void coupleHarder(Engine& e) {
    setParam(e, ParamCoupling, 1.0f);
}

// The plug-in's audio over `s` in blocks of `block`, exchanging before and after every
// block as its audio callback does (but for the blocks an edit keeps the lock busy), with
// the edits made on the editing side at their block boundaries.
dsptest::StereoSignal renderThroughExchange(dsptest::StereoSignal s, std::size_t block,
                                            const std::map<std::size_t, HostEdit>& edits) {
    auto inst = std::make_unique<InstanceEngine>();
    std::size_t busyUntil = 0;
    for (std::size_t at = 0; at < s.left.size(); at += block) {
        if (const auto e = edits.find(at); e != edits.end()) {
            e->second.change(inst->edit);
            rebuildFilters(inst->edit);
            busyUntil = at + e->second.busyBlocks * block;
        }
        const bool free = at >= busyUntil;
        if (free) {
            exchangeWithAudio(*inst);
        }
        const auto n = static_cast<std::int32_t>(std::min(block, s.left.size() - at));
        processBlock(inst->audio, s.left.data() + at, s.right.data() + at, n);
        if (free) {
            exchangeWithAudio(*inst);
        }
    }
    return s;
}

// An edit made right after a ring has filled, while its analysis is still coming in, maps
// against that ring's spectrum as an engine that analysed the ring at once would: the
// audio is that engine's with the edit made where the audio adopts it, bit for bit, on
// every path, whether the adoption comes at once, while the analysis is still pending, or
// after it has completed.
TEST(AnalyserSpread, EditAfterAFillMapsAgainstThatRingsSpectrum) {
    const dsptest::StereoSignal s = hostileSignal(12 * kAnalysisSize);
    const std::size_t fill = 3 * kAnalysisSize; // a ring fills at the end of the block before
    const std::map<std::size_t, HostEdit> edits{
        {fill, {moveBand, 0}},
        {2 * fill, {coupleHarder, 2}},
        {3 * fill, {moveBand, 6}},
    };
    const Events adopted{
        {fill,
         [](Engine& e) {
             moveBand(e);
             rebuildFilters(e);
         }},
        {2 * fill + 2 * 64,
         [](Engine& e) {
             coupleHarder(e);
             rebuildFilters(e);
         }},
        {3 * fill + 6 * 64,
         [](Engine& e) {
             moveBand(e);
             rebuildFilters(e);
         }},
    };
    for (const VectorPath path : kPaths) {
        limitVectorPath(path);
        if (kernelsFor(path) != nullptr) {
            SCOPED_TRACE(kernels().name);
            const dsptest::StereoSignal want = render(s, 1, adopted, true);
            const dsptest::StereoSignal got = renderThroughExchange(s, 64, edits);
            EXPECT_TRUE(sameBits(got.left, want.left));
            EXPECT_TRUE(sameBits(got.right, want.right));
        }
        limitVectorPath(VectorPath::Widest);
    }
}

// An edit made before a ring fills but adopted after (the lock busy through the fill's
// block) keeps the coefficients it was designed with: it was made against the spectrum
// the editing side had, and designing it again against the newer one would make the audio
// depend on when the lock came free.
TEST(AnalyserSpread, EditBeforeAFillAdoptedAfterItIsNotDesignedAgain) {
    dsptest::StereoSignal s = hostileSignal(3 * kAnalysisSize);
    auto inst = std::make_unique<InstanceEngine>();
    const std::size_t editAt = 2 * kAnalysisSize - 64;
    for (std::size_t at = 0; at < editAt; at += 64) {
        exchangeWithAudio(*inst);
        processBlock(inst->audio, s.left.data() + at, s.right.data() + at, 64);
        exchangeWithAudio(*inst);
    }
    ASSERT_FALSE(inst->editSpectrumBehind);
    moveBand(inst->edit);
    rebuildFilters(inst->edit);
    std::vector<BiquadCoefficients> designed;
    for (const BandFilter& f : inst->edit.filters) {
        designed.push_back(f.coeffs);
    }
    // The lock is busy for the block that fills the ring; the next exchange adopts the edit.
    processBlock(inst->audio, s.left.data() + editAt, s.right.data() + editAt, 64);
    ASSERT_TRUE(inst->audio.analysis.pending);
    exchangeWithAudio(*inst);
    ASSERT_EQ(inst->audio.filters.size(), designed.size());
    for (std::size_t i = 0; i < designed.size(); ++i) {
        EXPECT_EQ(std::memcmp(&inst->audio.filters[i].coeffs, &designed[i], sizeof designed[i]), 0)
            << i;
    }
    // The newer spectrum would have given the moved band other coefficients.
    finishAnalysis(inst->audio);
    exchangeWithAudio(*inst);
    rebuildFilters(inst->edit);
    EXPECT_NE(std::memcmp(&inst->edit.filters[2].coeffs, &designed[2], sizeof designed[2]), 0);
}

} // namespace
