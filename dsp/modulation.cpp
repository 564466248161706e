// Dynamic band modulation: band gains follow the programme ("VAVU Coupling").
#include "dsp/engine.h"
#include "dsp/stereo_pair.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// Where a band sits in the spectrum: low bands follow the level envelope, high bands the
// transient detector and mid bands a squared level.
[[gnu::noinline]] void workOutWeights(SpectralWeights& w, std::size_t i,
                                      double frequency) noexcept {
    const double f = frequency > 20.0 ? frequency : 20.0; // NaN counts as 20 Hz too
    const double lowRatio = f / 250.0;
    const double highRatio = 4000.0 / f;
    w.low[i] = 1.0 / (lowRatio * lowRatio + 1.0);
    w.high[i] = 1.0 / (highRatio * highRatio + 1.0);
    w.mid[i] = std::max(1.0 - w.low[i] - w.high[i], 0.0);
    w.frequency[i] = frequency;
}

// The weights depend on the frequency alone, so they are kept per band and worked out
// again only when it moves.
inline void refreshWeights(Engine& inst, std::size_t i, double frequency) noexcept {
    if (!(inst.modWeights.frequency[i] == frequency)) {
        workOutWeights(inst.modWeights, i, frequency);
    }
}

// The detector's drives at this tick, read once: the loop below stores through double
// references the compiler cannot tell apart from the engine's own.
struct TickDrives {
    double high, low, mid;
};

// One tick's step of one band (V = double) or of two, a band per lane (V = StereoPair):
// the band's smoothed drive moves towards the programme's drive at its place in the
// spectrum, and gives the modulation factor; `inside` has the bit of each lane whose factor
// is still within the dead band around the one its band was last designed with.
template <class V> struct BandStep {
    V drive, factor;
    unsigned inside;
};

template <class V>
inline BandStep<V> stepBands(const TickDrives& d, V high, V low, V mid, V drive, V span,
                             V last) noexcept {
    const V target =
        (splatAs<V>(d.high) * high + low * splatAs<V>(d.low)) + mid * splatAs<V>(d.mid);
    // Into [0, 1]; not a number stays so, as with std::clamp.
    const V clamped = minOf(splatAs<V>(1.0), maxOf(splatAs<V>(0.0), target));
    // A drive that is not finite would hold the band's factor there for good.
    const auto finite = lessThan(absOf(drive), splatAs<V>(std::numeric_limits<double>::infinity()));
    const V next = select(finite, drive + (clamped - drive) * splatAs<V>(0.15), splatAs<V>(0.0));
    const V factor = (next - splatAs<V>(0.25)) * span + splatAs<V>(1.0);
    // The dead band keeps redesigns to moments when the factor has really moved.
    return {next, factor, laneBits(lessThan(absOf(factor - last), splatAs<V>(0.004)))};
}

// What the stepping loop reads and writes besides the engine.
struct Stepping {
    TickDrives drives;
    double deepSpan, plainSpan; // the depth times the coupling, for dynamic bands and others
    double* factors;
};

double spanOf(const Stepping& s, const Band& b) noexcept {
    return b.dynamic ? s.deepSpan : s.plainSpan;
}

// One band, if enabled; answers its bit of `moved`.
std::uint32_t stepOne(Engine& inst, const Stepping& s, std::size_t i) noexcept {
    const Band& b = inst.bands[i];
    if (!b.enabled) {
        return 0;
    }
    refreshWeights(inst, i, b.frequency);
    const SpectralWeights& w = inst.modWeights;
    double& drive = inst.modDrive[i];
    const BandStep<double> step = stepBands(s.drives, w.high[i], w.low[i], w.mid[i], drive,
                                            spanOf(s, b), inst.lastModulation[i]);
    drive = step.drive;
    s.factors[i] = step.factor;
    return static_cast<std::uint32_t>(~step.inside & 1u) << i;
}

// Bands i and i + 1 in one pair's lanes when both are enabled (the usual case).
std::uint32_t stepTwo(Engine& inst, const Stepping& s, std::size_t i) noexcept {
    const Band& b0 = inst.bands[i];
    const Band& b1 = inst.bands[i + 1];
    if (!(b0.enabled && b1.enabled)) {
        return stepOne(inst, s, i) | stepOne(inst, s, i + 1);
    }
    refreshWeights(inst, i, b0.frequency);
    refreshWeights(inst, i + 1, b1.frequency);
    const SpectralWeights& w = inst.modWeights;
    double* drive = inst.modDrive.data() + i;
    const BandStep<StereoPair> step = stepBands(
        s.drives, loadPair(&w.high[i]), loadPair(&w.low[i]), loadPair(&w.mid[i]), loadPair(drive),
        pairOf(spanOf(s, b0), spanOf(s, b1)), loadPair(inst.lastModulation.data() + i));
    storePair(drive, step.drive);
    storePair(s.factors + i, step.factor);
    return static_cast<std::uint32_t>(~step.inside & 3u) << i;
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
template <class T> bool sameBits(const T& a, const T& b) noexcept {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// Field by field rather than the record as bytes: the record just built sits in the stack as
// stores of four and eight bytes, and a wider load spanning several of them cannot take its
// value from them; it waits until they reach the cache, on every redesign.
bool sameInputs(const PlainGainInputs& a, const PlainGainInputs& b) noexcept {
    return sameBits(a.frequency, b.frequency) && sameBits(a.sampleRate, b.sampleRate) &&
           sameBits(a.gain, b.gain) && sameBits(a.coupling, b.coupling) &&
           sameBits(a.sieve, b.sieve) && sameBits(a.limiter, b.limiter) &&
           sameBits(a.spectrum, b.spectrum);
}

// The band's plain mapped gain and the spectral term it was worked out with, again only
// when something they depend on moved.
const PlainGain& plainGainFor(Engine& inst, std::size_t i, const FrequencyTerms& terms,
                              double gain) noexcept {
    PlainGainInputs in;
    in.frequency = terms.frequency;
    in.sampleRate = terms.sampleRate;
    in.gain = gain;
    in.coupling = param(inst, ParamCoupling);
    in.sieve = param(inst, ParamSieve);
    in.limiter = param(inst, ParamLimiter);
    in.spectrum = spectrumAround(inst, terms.bin);
    PlainGain& kept = inst.modPlainGains[i];
    if (!sameInputs(in, kept.inputs)) {
        kept.inputs = in;
        kept.spectral = spectralTerm(inst, terms.bin);
        kept.value = effectiveGain(inst, terms, gain, kept.spectral);
    }
    return kept;
}

// The designed gain may follow the modulated mapping, but never strays more than 1.2 dB
// from the band's plain mapped gain.
void redesignBand(Engine& inst, std::size_t i, double factor) noexcept {
    const Band& b = inst.bands[i];
    const FrequencyTerms& terms = termsFor(inst, i, b.frequency);
    analysisAround(inst, terms.bin); // the bins read below, of an analysis still coming in
    const PlainGain& plain = plainGainFor(inst, i, terms, b.gain);
    const double g0 = plain.value;
    // The spectrum around the band is the plain gain's: its spectral term is kept with it.
    const double g1 = effectiveGain(inst, terms, b.gain * factor, plain.spectral);
    const double g = std::max(std::min(g1, g0 + 1.2), g0 - 1.2);
    BandFilter& filter = inst.filters[i];
    filter.coeffs = designBiquad(b.type, terms, g, b.q);
    ++filter.designs; // the cascade takes the new coefficients at its next reload
}

} // namespace

// Audio thread, every 32nd sample from processBlock.
bool updateModulation(Engine& inst) noexcept {
    const double amount = param(inst, ParamCoupling);
    if (amount < 0.01) {
        return false;
    }
    if (inst.filters.size() != inst.bands.size() || inst.bands.empty()) {
        return false;
    }
    // The per-band records kept here have room for every modulated band.
    static_assert(std::tuple_size_v<SpectralWeights::PerBand> == kMaxModulatedBands &&
                  std::tuple_size_v<decltype(Engine::modTerms)> == kMaxModulatedBands &&
                  std::tuple_size_v<decltype(Engine::modPlainGains)> == kMaxModulatedBands);
    const std::size_t n =
        std::min(std::min(inst.bands.size(), inst.modDrive.size()),
                 std::min(inst.lastModulation.size(), std::size_t{kMaxModulatedBands}));
    // Every band is stepped first, two at a time, and the few that left their dead band are
    // redesigned after: the stepping calls nothing that is not inlined, and a band leaving
    // its dead band sets a bit rather than taking a hard-to-predict branch. A redesign
    // reads nothing the stepping of another band writes.
    static_assert(kMaxModulatedBands <= 32, "one bit of `moved` per band");
    std::array<double, kMaxModulatedBands> factors;
    const Stepping stepping{{std::max(inst.detector.highDrive, 0.0), inst.lowDrive, inst.midDrive},
                            0.45 * amount,
                            0.25 * amount,
                            factors.data()};
    std::uint32_t moved = 0;
    std::size_t band = 0;
    for (; band + 1 < n; band += 2) {
        moved |= stepTwo(inst, stepping, band);
    }
    if (band < n) {
        moved |= stepOne(inst, stepping, band);
    }
    for (std::uint32_t left = moved; left != 0; left &= left - 1) {
        const auto i = static_cast<std::size_t>(std::countr_zero(left));
        redesignBand(inst, i, factors[i]);
        inst.lastModulation[i] = factors[i];
    }
    return moved != 0;
}
