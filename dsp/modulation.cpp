// Dynamic band modulation: band gains follow the programme ("VAVU Coupling").
#include "dsp/engine.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>

namespace {

// Where a band sits in the spectrum: low bands follow the level envelope, high bands the
// transient detector and mid bands a squared level. The weights depend on the frequency
// alone, so they are kept per band and worked out again only when it moves.
const SpectralWeights& weightsFor(Engine& inst, std::size_t i, double frequency) noexcept {
    SpectralWeights& w = inst.modWeights[i];
    if (w.frequency == frequency) {
        return w;
    }
    const double f = frequency > 20.0 ? frequency : 20.0; // NaN counts as 20 Hz too
    const double lowRatio = f / 250.0;
    const double highRatio = 4000.0 / f;
    w.low = 1.0 / (lowRatio * lowRatio + 1.0);
    w.high = 1.0 / (highRatio * highRatio + 1.0);
    w.mid = std::max(1.0 - w.low - w.high, 0.0);
    w.frequency = frequency;
    return w;
}

// The detector's drives at this tick, read once: the loop below stores through double
// references the compiler cannot tell apart from the engine's own.
struct TickDrives {
    double high, low, mid;
};

double bandDrive(const TickDrives& d, const SpectralWeights& w) noexcept {
    const double drive = (d.high * w.high + w.low * d.low) + w.mid * d.mid;
    return std::clamp(drive, 0.0, 1.0);
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
    static_assert(std::tuple_size_v<decltype(Engine::modWeights)> == kMaxModulatedBands &&
                  std::tuple_size_v<decltype(Engine::modTerms)> == kMaxModulatedBands &&
                  std::tuple_size_v<decltype(Engine::modPlainGains)> == kMaxModulatedBands);
    const std::size_t n =
        std::min(std::min(inst.bands.size(), inst.modDrive.size()),
                 std::min(inst.lastModulation.size(), std::size_t{kMaxModulatedBands}));
    const TickDrives drives{std::max(inst.detector.highDrive, 0.0), inst.lowDrive, inst.midDrive};
    // The depth times the coupling, for dynamic bands and the others.
    const double deepSpan = 0.45 * amount;
    const double plainSpan = 0.25 * amount;
    // Every band is stepped first and the few that left their dead band are redesigned
    // after: the stepping loop calls nothing, so the engine's arrays stay in registers, and
    // a band leaving its dead band sets a bit rather than taking a hard-to-predict branch.
    // A redesign reads nothing the stepping of another band writes.
    static_assert(kMaxModulatedBands <= 32, "one bit of `moved` per band");
    std::array<double, kMaxModulatedBands> factors;
    std::uint32_t moved = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const Band& b = inst.bands[i];
        if (!b.enabled) {
            continue;
        }
        double& D = inst.modDrive[i];
        // A drive that is not finite would hold the band's factor there for good.
        const double drive = bandDrive(drives, weightsFor(inst, i, b.frequency));
        D = std::isfinite(D) ? D + (drive - D) * 0.15 : 0.0;
        factors[i] = (D - 0.25) * (b.dynamic ? deepSpan : plainSpan) + 1.0;
        // The dead band keeps redesigns to moments when the factor has really moved.
        const bool leftDeadBand = !(std::fabs(factors[i] - inst.lastModulation[i]) < 0.004);
        moved |= static_cast<std::uint32_t>(leftDeadBand) << i;
    }
    for (std::uint32_t left = moved; left != 0; left &= left - 1) {
        const auto i = static_cast<std::size_t>(std::countr_zero(left));
        redesignBand(inst, i, factors[i]);
        inst.lastModulation[i] = factors[i];
    }
    return moved != 0;
}
