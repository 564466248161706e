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

void applyEdit(const Product& product, AEffect* effect, reference::Engine& ref, const Scenario& s,
               const Edit& e) {
    const bool on = e.value >= 0.5f;
    switch (e.param) {
    case kHostBypass:
        effect->dispatcher(effect, effSetBypass, 0, on ? 1 : 0, nullptr, 0.0f);
        reference::setParam(ref, ParamBypass, on ? 1.0f : 0.0f);
        return;
    case kBandList: {
        const std::vector<Band>& bands = s.bandLists.at(static_cast<std::size_t>(e.value));
        product.setBands(effect, bands);
        ref.bands = bands;
        reference::rebuildFilters(ref);
        return;
    }
    case kSampleRate:
        effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, e.value);
        reference::setSampleRate(ref, e.value);
        return;
    case kSuspendResume: // the engine keeps its state: the reference has nothing to do
        effect->dispatcher(effect, effMainsChanged, 0, on ? 1 : 0, nullptr, 0.0f);
        return;
    default:
        break;
    }
    effect->setParameter(effect, e.param, e.value);
    reference::setParam(ref, e.param, e.value);
    reference::rebuildFilters(ref);
}

// 0 finite, 1 not a number, 2 plus infinity, 3 minus infinity.
int kindOf(float v) {
    if (std::isnan(v)) {
        return 1;
    }
    return std::isinf(v) ? (v > 0.0f ? 2 : 3) : 0;
}

void compare(const float* product, const float* expected, long n, long frame0, double tolerance,
             Comparison& c) {
    for (long i = 0; i < n; ++i) {
        const int pk = kindOf(product[i]), ek = kindOf(expected[i]);
        if (pk != ek) {
            ++c.mismatchedKind;
        }
        const double d =
            pk == 0 && ek == 0 ? std::fabs(double(product[i]) - double(expected[i])) : 0.0;
        c.largest = std::max(c.largest, d);
        if ((d > tolerance || pk != ek) && c.firstBad < 0) {
            c.firstBad = frame0 + i;
        }
    }
}

// Band edits mid-stream, each from the list before: a band added, one removed, one moved,
// one changed in type, and a long list cut back to a short one.
std::vector<std::vector<Band>> editedBandLists() {
    std::vector<std::vector<Band>> lists;
    std::vector<Band> bands = bandsFor(BandSet::Default);
    bands.push_back(Band{true, 3150.0, 4.0, 1.4, 2, 0, false});
    lists.push_back(bands); // added
    bands.erase(bands.begin() + 1);
    lists.push_back(bands); // removed
    bands[0].frequency *= 1.7;
    bands[2].gain = -bands[2].gain - 3.0;
    lists.push_back(bands); // moved
    bands[1].type = (bands[1].type + 3) % 6;
    lists.push_back(bands);                         // changed in type
    lists.push_back(bandsFor(BandSet::TwentyFour)); // many more
    bands.resize(2);
    lists.push_back(bands); // cut back
    return lists;
}

// The band edits, two rate changes each inside a suspend and resume, and a suspend and
// resume alone, at the scenario's rate.
std::vector<Edit> bandAndRateEdits(double rate) {
    const auto at = [rate](double seconds) { return static_cast<long>(seconds * rate); };
    return {{at(0.5), kBandList, 0.0f},       {at(1.0), kBandList, 1.0f},
            {at(1.5), kBandList, 2.0f},       {at(2.0), kBandList, 3.0f},
            {at(2.5), kSuspendResume, 0.0f},  {at(2.5), kSampleRate, 96000.0f},
            {at(2.5), kSuspendResume, 1.0f},  {at(3.0), kBandList, 4.0f},
            {at(3.5), kSuspendResume, 0.0f},  {at(3.6), kSuspendResume, 1.0f},
            {at(4.0), kBandList, 5.0f},       {at(4.5), kSuspendResume, 0.0f},
            {at(4.5), kSampleRate, 44100.0f}, {at(4.5), kSuspendResume, 1.0f},
            {at(5.0), ParamLimiter, 0.8f}};
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
    std::vector<Scenario> rows{
        {"DefaultBands48k512", BandSet::Default, 48000.0, 512, 60.0, automation(48000.0)},
        {"DefaultBands44k37", BandSet::Default, 44100.0, 37, 30.0, automation(44100.0)},
        {"DefaultBands96k1", BandSet::Default, 96000.0, 1, 20.0, automation(96000.0)},
        {"Preset1At48k37", BandSet::Preset1, 48000.0, 37, 30.0, automation(48000.0)},
        {"Preset2At44k512", BandSet::Preset2, 44100.0, 512, 30.0, automation(44100.0)},
        {"TwentyFourBands48k512", BandSet::TwentyFour, 48000.0, 512, 30.0, automation(48000.0)},
        {"TwentyFourBands96k37", BandSet::TwentyFour, 96000.0, 37, 20.0, automation(96000.0)},
        {"BandAndRateEdits48k64", BandSet::Default, 48000.0, 64, 6.0, bandAndRateEdits(48000.0), 0,
         editedBandLists()},
        {"BandAndRateEdits44k333", BandSet::Default, 44100.0, 333, 6.0, bandAndRateEdits(44100.0),
         0, editedBandLists()},
    };
    // One to eight stages (the skewed cascade's sizes) and 24 (stage groups), the
    // limiter engaged half way.
    for (std::size_t n = 1; n <= 8; ++n) {
        rows.push_back({"Stages" + std::to_string(n) + "At48k100",
                        BandSet::TwentyFour,
                        48000.0,
                        100,
                        3.0,
                        {{48000, ParamLimiter, 0.9f}},
                        n});
    }
    rows.push_back({"Stages24At48k100",
                    BandSet::TwentyFour,
                    48000.0,
                    100,
                    3.0,
                    {{48000, ParamLimiter, 0.9f}},
                    24});
    return rows;
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
    std::vector<Band> bands = bandsFor(s.bands);
    if (s.bandCount > 0) {
        bands.resize(std::min(bands.size(), s.bandCount));
    }
    product.setBands(effect, bands);
    ref->bands = bands;
    reference::rebuildFilters(*ref);
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);

    const long frames = static_cast<long>(in.left.size());
    std::vector<float> inL(s.block), inR(s.block), outL(s.block), outR(s.block);
    Comparison c;
    std::size_t nextEdit = 0;
    for (long f = 0; f < frames; f += s.block) {
        while (nextEdit < s.edits.size() && s.edits[nextEdit].atFrame <= f) {
            applyEdit(product, effect, *ref, s, s.edits[nextEdit++]);
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
