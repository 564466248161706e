#include "tests/equivalence/equivalence_support.h"

#include <algorithm>

namespace equivalence {

namespace {

std::vector<Band> twentyFourBands() {
    std::vector<Band> bands = bandsFor(BandSet::Default);
    for (int i = 0; bands.size() < 24; ++i) {
        const double f = 40.0 * std::pow(1.33, i);
        const auto type = static_cast<std::uint32_t>(i % 6);
        bands.push_back(
            Band{true, f, (i % 2 == 0 ? 2.5 : -2.0), 0.7 + 0.1 * (i % 5), type, 0, i % 5 == 0});
    }
    bands[9].enabled = false; // a disabled band in the middle keeps its state untouched
    return bands;
}

// Automation of every parameter and host bypass toggles, scaled to the scenario's rate.
std::vector<Edit> automation(double rate) {
    const auto at = [rate](double seconds) { return static_cast<long>(seconds * rate); };
    return {{at(2.0), ParamOutputTrim, 0.7f},
            {at(4.0), ParamCoupling, 1.0f},
            {at(6.0), ParamSieve, 0.3f},
            {at(8.0), ParamLimiter, 0.0f},
            {at(9.0), -1, 1.0f},
            {at(9.5), -1, 0.0f},
            {at(10.0), ParamBypass, 1.0f},
            {at(10.2), ParamBypass, 0.0f},
            {at(12.0), ParamLimiter, 1.0f},
            {at(14.0), ParamCoupling, 0.005f},
            {at(16.0), ParamCoupling, 0.85f},
            {at(18.0), ParamOutputTrim, 0.2f}};
}

void applyEdit(AEffect* effect, reference::Engine& ref, const Edit& e) {
    if (e.param < 0) {
        effect->dispatcher(effect, effSetBypass, 0, e.value >= 0.5f ? 1 : 0, nullptr, 0.0f);
        reference::setParam(ref, ParamBypass, e.value >= 0.5f ? 1.0f : 0.0f);
        return;
    }
    effect->setParameter(effect, e.param, e.value);
    reference::setParam(ref, e.param, e.value);
    reference::rebuildFilters(ref);
}

void compare(const float* product, const float* expected, long n, long frame0, double tolerance,
             Comparison& c) {
    for (long i = 0; i < n; ++i) {
        const bool pf = std::isfinite(product[i]), ef = std::isfinite(expected[i]);
        if (pf != ef) {
            ++c.mismatchedFinite;
        }
        const double d = pf && ef ? std::fabs(double(product[i]) - double(expected[i])) : 0.0;
        c.largest = std::max(c.largest, d);
        if ((d > tolerance || pf != ef) && c.firstBad < 0) {
            c.firstBad = frame0 + i;
        }
    }
}

} // namespace

std::vector<Band> bandsFor(BandSet set) {
    if (set == BandSet::TwentyFour) {
        return twentyFourBands();
    }
    const int index = set == BandSet::Preset1 ? 1 : (set == BandSet::Preset2 ? 2 : 0);
    const FactoryBandList& list = factoryBandList(index);
    return std::vector<Band>(list.bands.begin(), list.bands.end());
}

Input makeInput(const Scenario& s) {
    const auto music = static_cast<std::size_t>(s.musicSeconds * s.rate);
    const auto tail = static_cast<std::size_t>(3.0 * s.rate);
    Input in{std::vector<float>(music + tail, 0.0f), std::vector<float>(music + tail, 0.0f)};
    programme::render(0, music, s.rate, in.left.data(), in.right.data());
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        double at;
        float value;
        std::size_t length;
    } bursts[] = {{0.3, nan, 1}, {0.45, inf, 3}, {0.6, -inf, 64}, {0.7, nan, 300}};
    for (const auto& b : bursts) {
        const auto start = static_cast<std::size_t>(b.at * static_cast<double>(music));
        for (std::size_t i = start; i < start + b.length && i < music; ++i) {
            in.left[i] = b.value;
            in.right[i] = (i % 2 == 0) ? b.value : in.right[i];
        }
    }
    return in;
}

std::vector<Scenario> scenarios() {
    return {
        {"DefaultBands48k512", BandSet::Default, 48000.0, 512, 60.0, automation(48000.0)},
        {"DefaultBands44k37", BandSet::Default, 44100.0, 37, 30.0, automation(44100.0)},
        {"DefaultBands96k1", BandSet::Default, 96000.0, 1, 20.0, automation(96000.0)},
        {"Preset1At48k37", BandSet::Preset1, 48000.0, 37, 30.0, automation(48000.0)},
        {"Preset2At44k512", BandSet::Preset2, 44100.0, 512, 30.0, automation(44100.0)},
        {"TwentyFourBands48k512", BandSet::TwentyFour, 48000.0, 512, 30.0, automation(48000.0)},
        {"TwentyFourBands96k37", BandSet::TwentyFour, 96000.0, 37, 20.0, automation(96000.0)},
    };
}

Comparison run(const Product& product, const Scenario& s, double tolerance) {
    const Input in = makeInput(s);
    AEffect* effect = product.entry(nullptr);
    if (effect == nullptr) {
        return Comparison{1.0, 1, 0, 0};
    }
    auto ref = std::make_unique<reference::Engine>();
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(s.rate));
    reference::setSampleRate(*ref, static_cast<float>(s.rate));
    product.setBands(effect, bandsFor(s.bands));
    ref->bands = bandsFor(s.bands);
    reference::rebuildFilters(*ref);
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);

    const long frames = static_cast<long>(in.left.size());
    std::vector<float> inL(s.block), inR(s.block), outL(s.block), outR(s.block);
    Comparison c;
    std::size_t nextEdit = 0;
    for (long f = 0; f < frames; f += s.block) {
        while (nextEdit < s.edits.size() && s.edits[nextEdit].atFrame <= f) {
            applyEdit(effect, *ref, s.edits[nextEdit++]);
        }
        const long n = std::min<long>(s.block, frames - f);
        std::copy_n(in.left.begin() + f, n, inL.begin());
        std::copy_n(in.right.begin() + f, n, inR.begin());
        float* inputs[2] = {inL.data(), inR.data()};
        float* outputs[2] = {outL.data(), outR.data()};
        effect->processReplacing(effect, inputs, outputs, static_cast<std::int32_t>(n));
        reference::processBlock(*ref, inL.data(), inR.data(), static_cast<std::int32_t>(n));
        compare(outL.data(), inL.data(), n, f, tolerance, c);
        compare(outR.data(), inR.data(), n, f, tolerance, c);
    }
    c.frames = frames;
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    if (product.release != nullptr) {
        product.release(effect);
    }
    return c;
}

} // namespace equivalence
