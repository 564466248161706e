// Dynamic band modulation: band gains follow the programme ("VAVU Coupling").
//
// A tick steps every band's drive and factor, but redesigns only the few whose factor left
// the dead band. So it runs in two passes: the first works out all bands' drives and
// factors lane by lane over plain arrays, without a branch the compiler could not turn into
// a select, and marks the bands to redesign; the second redesigns only the marked ones. The
// arithmetic of each band is the reference's, operation for operation; two bands share
// one SSE2 register (a plain pair where there is none).
#include "dsp/engine.h"
#include "dsp/stereo_pair.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

static_assert(kMaxModulatedBands % 2 == 0, "the tick steps bands in pairs");

// Where a band sits in the spectrum: low bands follow the level envelope, high bands the
// transient detector and mid bands a squared level. The weights depend on the frequency
// alone, so they are kept per band and worked out again only when it moves.
void keepWeights(SpectralWeights& w, std::size_t i, double frequency) noexcept {
    if (w.frequency[i] == frequency) {
        return;
    }
    const double f = frequency > 20.0 ? frequency : 20.0; // NaN counts as 20 Hz too
    const double lowRatio = f / 250.0;
    const double highRatio = 4000.0 / f;
    w.low[i] = 1.0 / (lowRatio * lowRatio + 1.0);
    w.high[i] = 1.0 / (highRatio * highRatio + 1.0);
    w.mid[i] = std::max(1.0 - w.low[i] - w.high[i], 0.0);
    w.frequency[i] = frequency;
}

// One tick's per-band values, lane by lane: the depths (NaN for a band that is off:
// disabled, or beyond the bands there are; it keeps its drive) and the factors worked out.
// The drives and the factors of the last designs are read from the engine where they are.
struct TickLanes {
    std::array<double, kMaxModulatedBands> depth;
    std::array<double, kMaxModulatedBands> factor;
    double* drive;      // the smoothed drives, in and out
    const double* last; // the factors of the bands' last designs
};

// The detector's drives at this tick, read once.
struct TickDrives {
    double high, low, mid, amount;
};

// Two bands from i: their drives smoothed, their factors, and which of them left the dead
// band, as `bits` (each lane's bit of the tick's mask, as a double) in those lanes and 0 in
// the others. Added up over all pairs they make the mask exactly (distinct powers of two
// below 2^24), with no lane taken out on its own. Each lane's value is the one-band-at-a-
// time form's bit for bit: the pair rounds every operation on its own, and std::clamp and
// std::isfinite are spelt out as the comparisons they make (NaNs and signed zeros included).
StereoPair stepPair(const TickDrives& d, const SpectralWeights& w, TickLanes& t, std::size_t i,
                    StereoPair bits) noexcept {
    const StereoPair raw =
        (splat(d.high) * loadPair(&w.high[i]) + loadPair(&w.low[i]) * splat(d.low)) +
        loadPair(&w.mid[i]) * splat(d.mid);
    const StereoPair zero = splat(0.0);
    const StereoPair one = splat(1.0);
    // std::clamp(raw, 0, 1) is std::min(std::max(raw, 0), 1): raw < 0 ? 0 : raw, then
    // 1 < that ? 1 : that, which maxOf and minOf answer with the operands in this order.
    const StereoPair drive = minOf(one, maxOf(zero, raw));
    const StereoPair D = loadPair(t.drive + i);
    // A drive that is not finite would hold the band's factor there for good.
    const auto finite = lessThan(absOf(D), splat(std::numeric_limits<double>::infinity()));
    const StereoPair stepped = select(finite, D + (drive - D) * splat(0.15), zero);
    const StereoPair depth = loadPair(&t.depth[i]);
    const auto on = lessThan(zero, depth); // false for NaN
    const StereoPair factor = (stepped - splat(0.25)) * (depth * splat(d.amount)) + one;
    storePair(t.drive + i, select(on, stepped, D));
    storePair(&t.factor[i], factor);
    // The dead band keeps redesigns to moments when the factor has really moved.
    const auto kept = lessThan(absOf(factor - loadPair(t.last + i)), splat(0.004));
    return select(kept, zero, select(on, bits, zero));
}

// The band's frequency terms at the engine's rate, worked out again only when one moved.
const FrequencyTerms& termsFor(Engine& inst, std::size_t i, double frequency) noexcept {
    FrequencyTerms& t = inst.modTerms[i];
    if (!(t.frequency == frequency && t.sampleRate == inst.sampleRate)) {
        t = frequencyTerms(frequency, inst.sampleRate);
    }
    return t;
}

// The spectrum bins the gain mapping reads around a band's bin (none outside 2..510).
std::array<float, 5> spectrumAround(const Engine& inst, std::int32_t bin) noexcept {
    std::array<float, 5> around{};
    if (bin >= 2 && bin <= 510 && inst.spectrumDb.size() >= kSpectrumBins) {
        std::copy_n(inst.spectrumDb.begin() + (bin - 2), 5, around.begin());
    }
    return around;
}

// Bit for bit: the same inputs give the same value, NaNs included.
std::uint64_t bitsOf(double v) noexcept {
    return std::bit_cast<std::uint64_t>(v);
}
std::uint32_t bitsOf(float v) noexcept {
    return std::bit_cast<std::uint32_t>(v);
}

bool sameKey(const PlainGain& a, const PlainGain& b) noexcept {
    std::uint64_t differ = (bitsOf(a.frequency) ^ bitsOf(b.frequency)) |
                           (bitsOf(a.sampleRate) ^ bitsOf(b.sampleRate)) |
                           (bitsOf(a.gain) ^ bitsOf(b.gain));
    differ |= (bitsOf(a.coupling) ^ bitsOf(b.coupling)) | (bitsOf(a.sieve) ^ bitsOf(b.sieve)) |
              (bitsOf(a.limiter) ^ bitsOf(b.limiter));
    for (std::size_t k = 0; k < a.spectrum.size(); ++k) {
        differ |= bitsOf(a.spectrum[k]) ^ bitsOf(b.spectrum[k]);
    }
    return differ == 0;
}

// The band's plain mapped gain and the spectral term it was worked out with, again only
// when something they depend on moved.
const PlainGain& plainGainFor(Engine& inst, std::size_t i, const FrequencyTerms& terms,
                              double gain) noexcept {
    PlainGain key;
    key.frequency = terms.frequency;
    key.sampleRate = terms.sampleRate;
    key.gain = gain;
    key.coupling = param(inst, ParamCoupling);
    key.sieve = param(inst, ParamSieve);
    key.limiter = param(inst, ParamLimiter);
    key.spectrum = spectrumAround(inst, terms.bin);
    PlainGain& kept = inst.modPlainGains[i];
    if (!sameKey(key, kept)) {
        key.spectral = spectralTerm(inst, terms.bin);
        key.value = effectiveGain(inst, terms, gain, key.spectral);
        kept = key;
    }
    return kept;
}

// The designed gain may follow the modulated mapping, but never strays more than 1.2 dB
// from the band's plain mapped gain.
void redesignBand(Engine& inst, std::size_t i, double factor) noexcept {
    const Band& b = inst.bands[i];
    const FrequencyTerms& terms = termsFor(inst, i, b.frequency);
    const PlainGain& plain = plainGainFor(inst, i, terms, b.gain);
    const double g0 = plain.value;
    const double g1 = effectiveGain(inst, terms, b.gain * factor, plain.spectral);
    const double g = std::max(std::min(g1, g0 + 1.2), g0 - 1.2);
    BandFilter& filter = inst.filters[i];
    filter.coeffs = designBiquad(b.type, terms, g, b.q);
    ++filter.designs; // the cascade takes the new coefficients at its next reload
}

// The tick's depths for the first n bands and, when n is odd, one more that is off; the
// bands' weights brought up to their frequencies.
void gatherDepths(Engine& inst, std::size_t n, TickLanes& t) noexcept {
    for (std::size_t i = 0; i < n; ++i) {
        const Band& b = inst.bands[i];
        t.depth[i] = std::numeric_limits<double>::quiet_NaN();
        if (b.enabled) {
            keepWeights(inst.modWeights, i, b.frequency);
            t.depth[i] = b.dynamic ? 0.45 : 0.25;
        }
    }
    if (n % 2 != 0) {
        t.depth[n] = std::numeric_limits<double>::quiet_NaN();
    }
}

// Steps the first n bands and answers the mask of those to redesign. The last pair of an
// odd count reads one entry past the bands (and writes its drive back unchanged), from
// copies where the engine's arrays end there.
std::uint32_t stepBands(Engine& inst, std::size_t n, const TickDrives& drives,
                        TickLanes& t) noexcept {
    std::array<double, kMaxModulatedBands> drive, last;
    const bool inPlace = n % 2 == 0 || (n < inst.modDrive.size() && n < inst.lastModulation.size());
    if (inPlace) {
        t.drive = inst.modDrive.data();
        t.last = inst.lastModulation.data();
    } else {
        std::copy_n(inst.modDrive.begin(), n, drive.begin());
        std::copy_n(inst.lastModulation.begin(), n, last.begin());
        drive[n] = last[n] = 0.0;
        t.drive = drive.data();
        t.last = last.data();
    }
    StereoPair bits = pairOf(1.0, 2.0);
    StereoPair marked = splat(0.0);
    for (std::size_t i = 0; i < n; i += 2) {
        marked = marked + stepPair(drives, inst.modWeights, t, i, bits);
        bits = bits * splat(4.0);
    }
    if (!inPlace) {
        std::copy_n(drive.begin(), n, inst.modDrive.begin());
    }
    return static_cast<std::uint32_t>(leftOf(marked) + rightOf(marked));
}

} // namespace

// Audio thread, every 32nd sample from processBlock.
void updateModulation(Engine& inst) noexcept {
    const double amount = param(inst, ParamCoupling);
    if (amount < 0.01) {
        return;
    }
    if (inst.filters.size() != inst.bands.size() || inst.bands.empty()) {
        return;
    }
    const std::size_t n =
        std::min({inst.bands.size(), inst.modDrive.size(), inst.lastModulation.size(),
                  static_cast<std::size_t>(kMaxModulatedBands)});
    TickLanes t;
    gatherDepths(inst, n, t);
    const TickDrives drives{std::max(inst.detector.highDrive, 0.0), inst.lowDrive, inst.midDrive,
                            amount};
    for (std::uint32_t marked = stepBands(inst, n, drives, t); marked != 0; marked &= marked - 1) {
        const auto i = static_cast<std::size_t>(std::countr_zero(marked));
        redesignBand(inst, i, t.factor[i]);
        inst.lastModulation[i] = t.factor[i];
    }
}
