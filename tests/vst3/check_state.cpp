// The state a host saves with its project and hands back on reload. The record is read
// here by its documented layout (vst3/state_record.h), written independently of the
// plug-in's code, so a layout that moves is caught as well as one the plug-in misreads.
#include "tests/vst3/host_checks.h"

#include <cmath>
#include <cstring>

using namespace vst3;
using namespace vst3host;

namespace vst3check {

namespace {

constexpr const char* kGroup = "state";
using Bytes = std::vector<std::uint8_t>;

// ---- The record by its documented layout ------------------------------------------------

constexpr std::size_t kHeader = 12;
constexpr std::size_t kParamsAt = 12;
constexpr std::size_t kPresetAt = 32;
constexpr std::size_t kSelectedAt = 36;
constexpr std::size_t kCountAt = 40;
constexpr std::size_t kBandsAt = 44;
constexpr std::size_t kBandBytes = 36;

std::uint32_t get32(const Bytes& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 |
           static_cast<std::uint32_t>(b[at + 3]) << 24;
}
void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}
float getFloat(const Bytes& b, std::size_t at) {
    const std::uint32_t bits = get32(b, at);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}
void putFloat(Bytes& b, std::size_t at, float f) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, 4);
    put32(b, at, bits);
}
double getDouble(const Bytes& b, std::size_t at) {
    const std::uint64_t bits = get32(b, at) | static_cast<std::uint64_t>(get32(b, at + 4)) << 32;
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}
void putDouble(Bytes& b, std::size_t at, double d) {
    std::uint64_t bits;
    std::memcpy(&bits, &d, 8);
    put32(b, at, static_cast<std::uint32_t>(bits));
    put32(b, at + 4, static_cast<std::uint32_t>(bits >> 32));
}

// CRC-32 as zlib computes it (reflected, polynomial 0xEDB88320), bit by bit.
std::uint32_t crc32Of(const std::uint8_t* data, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

// Makes the checksum right again after an edit (the record must be at least 16 bytes).
void fixCrc(Bytes& b) {
    put32(b, b.size() - 4, crc32Of(b.data(), b.size() - 4));
}

std::size_t bandAt(std::size_t band) {
    return kBandsAt + band * kBandBytes;
}

// Empty when `b` is a well-formed version 1 record by the documented layout, with every
// value in its range; otherwise what is wrong with it.
std::string layoutProblem(const Bytes& b) {
    if (b.size() < kBandsAt + 4) {
        return "record of " + std::to_string(b.size()) + " bytes";
    }
    if (std::memcmp(b.data(), "TQST", 4) != 0) {
        return "magic";
    }
    if (get32(b, 4) != 1) {
        return "version " + std::to_string(get32(b, 4));
    }
    if (get32(b, 8) != b.size() - kHeader) {
        return "payload length " + std::to_string(get32(b, 8)) + " for " +
               std::to_string(b.size()) + " bytes";
    }
    const std::uint32_t count = get32(b, kCountAt);
    if (count < 1 || count > 24 || b.size() != kBandsAt + count * kBandBytes + 4) {
        return "band count " + std::to_string(count) + " for " + std::to_string(b.size()) +
               " bytes";
    }
    if (get32(b, b.size() - 4) != crc32Of(b.data(), b.size() - 4)) {
        return "checksum";
    }
    for (int i = 0; i < 5; ++i) {
        const float p = getFloat(b, kParamsAt + 4 * static_cast<std::size_t>(i));
        if (!(p >= 0.0f && p <= 1.0f)) {
            return "parameter " + std::to_string(i) + " " + str(p);
        }
    }
    const auto preset = static_cast<std::int32_t>(get32(b, kPresetAt));
    const auto selected = static_cast<std::int32_t>(get32(b, kSelectedAt));
    if (preset < 0 || preset > 2 || selected < -1 || selected >= static_cast<std::int32_t>(count)) {
        return "preset " + std::to_string(preset) + ", selected " + std::to_string(selected);
    }
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t at = bandAt(k);
        const double f = getDouble(b, at + 12);
        const double g = getDouble(b, at + 20);
        const double q = getDouble(b, at + 28);
        if (b[at] > 1 || b[at + 1] > 1 || get32(b, at + 4) > 5 || !(f >= 20.0 && f <= 20000.0) ||
            !(g >= -24.0 && g <= 24.0) || !(q >= 0.2 && q <= 18.0)) {
            return "band " + std::to_string(k) + " out of range";
        }
    }
    return {};
}

// ---- Helpers ---------------------------------------------------------------------------

// Everything a host can set on an instance moved away from the defaults.
void moveParameters(Plugin& plugin, const double values[5]) {
    for (int i = 0; i < 5; ++i) {
        plugin.controller->setParamNormalized(static_cast<ParamID>(i), values[i]);
    }
}

// An instance set up as a host leaves one in a project: initialized, set up, active, and
// its five parameters at `values` where given.
struct Live {
    explicit Live(const Module& module, const double* values = nullptr) : plugin(module) {
        started = plugin.start();
        if (started && values != nullptr) {
            moveParameters(plugin, values);
        }
    }
    ~Live() {
        if (started) {
            plugin.stop();
        }
    }
    Plugin plugin;
    bool started = false;
};

// A short stretch of the fixed signal, from a fresh activation.
std::vector<float> listen(Plugin& plugin, const Signal& signal) {
    plugin.component->setActive(0);
    plugin.component->setActive(1);
    return render(plugin, signal, {512});
}

Signal excerpt() {
    Signal full = fixedSignal();
    Signal s;
    // The loud section: the limiter and the modulation are both at work.
    s.left.assign(full.left.begin() + 90000, full.left.begin() + 98192);
    s.right.assign(full.right.begin() + 90000, full.right.begin() + 98192);
    return s;
}

// A record with the bands changed too, so a restore of bands is heard: the first band's
// gain and frequency moved and, where there is a second band, it is selected.
Bytes withBandsMoved(Bytes b) {
    if (!layoutProblem(b).empty()) {
        return b;
    }
    putDouble(b, bandAt(0) + 20, getDouble(b, bandAt(0) + 20) > 0.0 ? -9.5 : 9.5);
    putDouble(b, bandAt(0) + 12, 1234.5);
    b[bandAt(0)] = 1; // enabled
    if (get32(b, kCountAt) > 1) {
        put32(b, kSelectedAt, 1);
    }
    fixCrc(b);
    return b;
}

void checkRecordLayout(const Module& module) {
    const double values[5] = {0.625, 0.25, 0.5, 0.75, 1.0};
    Live live(module, values);
    if (!expect(live.started, kGroup, "instance starts")) {
        return;
    }
    const Bytes record = live.plugin.getState();
    const std::string problem = layoutProblem(record);
    expect(problem.empty(), kGroup, "getState writes the documented layout: " + problem);
    if (!problem.empty()) {
        return;
    }
    for (int i = 0; i < 5; ++i) {
        const float stored = getFloat(record, kParamsAt + 4 * static_cast<std::size_t>(i));
        expect(stored == static_cast<float>(values[i]), kGroup,
               "parameter " + std::to_string(i) + " stored at offset " +
                   std::to_string(kParamsAt + 4 * i) + " as " + str(stored));
    }
    // The record grows by one band's bytes per band: the count and the size agree.
    expect(record.size() == kBandsAt + get32(record, kCountAt) * kBandBytes + 4, kGroup,
           "size follows the band count");
    // A second getState writes the same bytes.
    expect(live.plugin.getState() == record, kGroup, "getState is repeatable");
}

void checkRoundTrips(const Module& module, const Signal& signal) {
    const double values[5] = {0.7, 0.3, 0.55, 0.4, 0.0};
    Live a(module, values);
    Live b(module);
    if (!expect(a.started && b.started, kGroup, "instances start")) {
        return;
    }
    // Bands moved through a record, as a project made with another session would bring.
    const Bytes moved = withBandsMoved(a.plugin.getState());
    expect(a.plugin.setState(moved) == kResultOk, kGroup, "a record with moved bands is taken");
    const Bytes saved = a.plugin.getState();
    expect(saved == moved, kGroup, "getState gives back the record it was set with");

    expect(b.plugin.setState(saved) == kResultOk, kGroup, "setState on another instance");
    expect(b.plugin.getState() == saved, kGroup, "same getState bytes after the round trip");
    for (int i = 0; i < 5; ++i) {
        expect(std::fabs(b.plugin.controller->getParamNormalized(static_cast<ParamID>(i)) -
                         static_cast<float>(values[i])) < 1e-7,
               kGroup, "parameter " + std::to_string(i) + " restored");
    }
    const std::vector<float> outA = listen(a.plugin, signal);
    const std::vector<float> outB = listen(b.plugin, signal);
    std::size_t at = 0;
    expect(!outA.empty() && outA == outB, kGroup,
           "restored instance sounds the same, sample for sample (largest difference " +
               str(largestDifference(outA, outB, &at)) + ")");

    // The moved bands are heard: the same parameters over the default bands sound different.
    Live c(module, values);
    expect(c.started && listen(c.plugin, signal) != outA, kGroup,
           "the restored bands change the sound");

    // Bypass survives the round trip and is heard.
    const double bypassed[5] = {0.7, 0.3, 0.55, 0.4, 1.0};
    Live d(module, bypassed);
    Live e(module);
    const Bytes bypassRecord = d.plugin.getState();
    expect(e.plugin.setState(bypassRecord) == kResultOk &&
               e.plugin.controller->getParamNormalized(4) == 1.0,
           kGroup, "bypass kept across the round trip");
    const std::vector<float> outD = listen(d.plugin, signal);
    const std::vector<float> outE = listen(e.plugin, signal);
    expect(!outD.empty() && outD == outE && outD != outA, kGroup,
           "the bypassed instance and its copy sound alike, and unlike the active one");
}

// A record refused leaves the instance as it was: same state bytes, same sound.
void checkRefusals(const Module& module, const Signal& signal) {
    const double mine[5] = {0.2, 0.6, 0.3, 0.8, 0.0};
    const double theirs[5] = {0.9, 0.1, 0.95, 0.5, 1.0};
    Live target(module, mine);
    Live donor(module, theirs);
    if (!expect(target.started && donor.started, kGroup, "instances start")) {
        return;
    }
    const Bytes before = target.plugin.getState();
    const Bytes good = withBandsMoved(donor.plugin.getState());
    if (!expect(layoutProblem(good).empty(), kGroup, "donor record is well formed")) {
        return;
    }
    int accepted = 0;
    int changed = 0;
    std::string first;
    const auto refuse = [&](const Bytes& bad, const std::string& what) {
        if (target.plugin.setState(bad) == kResultOk) {
            ++accepted;
            first = first.empty() ? what + " accepted" : first;
            target.plugin.setState(before);
        }
        if (target.plugin.getState() != before) {
            ++changed;
            first = first.empty() ? what + " changed the instance" : first;
            target.plugin.setState(before);
        }
    };
    for (std::size_t n = 0; n < good.size(); ++n) {
        refuse(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n)),
               "truncated to " + std::to_string(n));
    }
    for (std::size_t i = 0; i < good.size(); ++i) {
        for (std::uint8_t mask : {0x01, 0x80, 0xFF}) {
            Bytes bad = good;
            bad[i] ^= mask;
            refuse(bad, "byte " + std::to_string(i) + " ^ " + std::to_string(mask));
        }
    }
    // Damage the checksum cannot see: well-formed records with unknown versions or values
    // outside their ranges.
    const auto edited = [&good](auto&& edit) {
        Bytes b = good;
        edit(b);
        fixCrc(b);
        return b;
    };
    const struct {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"version 0", edited([](Bytes& b) { put32(b, 4, 0); })},
        {"version 2", edited([](Bytes& b) { put32(b, 4, 2); })},
        {"version 0xFFFFFFFF", edited([](Bytes& b) { put32(b, 4, 0xFFFFFFFFu); })},
        {"payload length too long", edited([](Bytes& b) { put32(b, 8, get32(b, 8) + 36); })},
        {"payload length too short", edited([](Bytes& b) { put32(b, 8, get32(b, 8) - 36); })},
        {"payload length huge", edited([](Bytes& b) { put32(b, 8, 0x7FFFFFF0u); })},
        {"parameter 1.5", edited([](Bytes& b) { putFloat(b, kParamsAt, 1.5f); })},
        {"parameter -0.25", edited([](Bytes& b) { putFloat(b, kParamsAt + 8, -0.25f); })},
        {"parameter NaN", edited([](Bytes& b) { putFloat(b, kParamsAt + 16, std::nanf("")); })},
        {"parameter infinity", edited([](Bytes& b) { putFloat(b, kParamsAt + 4, INFINITY); })},
        {"preset 3", edited([](Bytes& b) { put32(b, kPresetAt, 3); })},
        {"preset -1", edited([](Bytes& b) { put32(b, kPresetAt, 0xFFFFFFFFu); })},
        {"selected band = count",
         edited([](Bytes& b) { put32(b, kSelectedAt, get32(b, kCountAt)); })},
        {"selected band -2", edited([](Bytes& b) { put32(b, kSelectedAt, 0xFFFFFFFEu); })},
        {"band count 0", edited([](Bytes& b) { put32(b, kCountAt, 0); })},
        {"band count one more",
         edited([](Bytes& b) { put32(b, kCountAt, get32(b, kCountAt) + 1); })},
        {"band count 25", edited([](Bytes& b) { put32(b, kCountAt, 25); })},
        {"enabled 2", edited([](Bytes& b) { b[bandAt(0)] = 2; })},
        {"dynamic 7", edited([](Bytes& b) { b[bandAt(0) + 1] = 7; })},
        {"type 6", edited([](Bytes& b) { put32(b, bandAt(0) + 4, 6); })},
        {"frequency 19.9 Hz", edited([](Bytes& b) { putDouble(b, bandAt(0) + 12, 19.9); })},
        {"frequency 20001 Hz", edited([](Bytes& b) { putDouble(b, bandAt(0) + 12, 20001.0); })},
        {"frequency NaN", edited([](Bytes& b) { putDouble(b, bandAt(0) + 12, std::nan("")); })},
        {"gain +24.5 dB", edited([](Bytes& b) { putDouble(b, bandAt(0) + 20, 24.5); })},
        {"gain -inf dB", edited([](Bytes& b) { putDouble(b, bandAt(0) + 20, -INFINITY); })},
        {"Q 0.1", edited([](Bytes& b) { putDouble(b, bandAt(0) + 28, 0.1); })},
        {"Q 18.5", edited([](Bytes& b) { putDouble(b, bandAt(0) + 28, 18.5); })},
        {"magic", edited([](Bytes& b) { b[0] = 'X'; })},
    };
    for (const auto& c : cases) {
        refuse(c.bytes, c.what);
    }
    // A record with 25 bands written out in full (count and length agree) is still too many.
    Bytes many = good;
    many.resize(kBandsAt + 25 * kBandBytes + 4);
    for (std::size_t k = get32(good, kCountAt); k < 25; ++k) {
        std::memcpy(many.data() + bandAt(k), good.data() + bandAt(0), kBandBytes);
    }
    put32(many, kCountAt, 25);
    put32(many, 8, static_cast<std::uint32_t>(many.size() - kHeader));
    fixCrc(many);
    refuse(many, "25 bands in full");
    // A stream that fails part way, and no stream at all.
    for (std::int64_t cut : {0, 4, 12, 40, 100}) {
        MemoryStream failing(good);
        failing.failAfter = cut;
        if (target.plugin.component->setState(&failing) == kResultOk) {
            ++accepted;
            first =
                first.empty() ? "stream failing after " + std::to_string(cut) + " accepted" : first;
        }
    }
    expect(target.plugin.component->setState(nullptr) != kResultOk, kGroup,
           "setState(null) refused");
    expect(accepted == 0 && changed == 0, kGroup,
           std::to_string(accepted) + " damaged records accepted, " + std::to_string(changed) +
               " changed the instance; " + first);
    expect(target.plugin.getState() == before, kGroup, "state bytes unchanged after refusals");

    // And the sound is what the untouched state gives.
    Live twin(module);
    twin.plugin.setState(before);
    expect(listen(target.plugin, signal) == listen(twin.plugin, signal), kGroup,
           "output unchanged after the refusals");

    // The reader takes only the record: bytes after it stay in the stream for the host.
    MemoryStream longer(good);
    longer.data.insert(longer.data.end(), {1, 2, 3, 4, 5, 6, 7, 8});
    expect(target.plugin.component->setState(&longer) == kResultOk &&
               longer.position == static_cast<std::int64_t>(good.size()),
           kGroup,
           "a record followed by other data: taken, stream left at its end (" +
               std::to_string(longer.position) + ")");
    MemoryStream full;
    full.failAfter = 20;
    expect(target.plugin.component->getState(&full) != kResultOk, kGroup,
           "getState into a stream that fails is an error");
    expect(target.plugin.component->getState(nullptr) != kResultOk, kGroup,
           "getState(null) refused");
}

// Mutated records, deterministically seeded: each one is refused (the state stays) or
// taken whole (the state becomes that record). Half of them get their checksum made right
// again, so the checks behind it are reached too.
void checkFuzz(const Module& module, int records) {
    Live live(module);
    if (!expect(live.started, kGroup, "instance starts") || records <= 0) {
        return;
    }
    const Bytes seedRecord = withBandsMoved(live.plugin.getState());
    std::uint64_t rng = 0x9E3779B97F4A7C15ull;
    const auto next = [&rng](std::uint32_t below) {
        rng ^= rng << 13;
        rng ^= rng >> 7;
        rng ^= rng << 17;
        return static_cast<std::uint32_t>(rng % below);
    };
    Bytes current = live.plugin.getState();
    int taken = 0;
    int wrong = 0;
    std::string first;
    for (int n = 0; n < records; ++n) {
        Bytes b = seedRecord;
        const std::uint32_t kind = next(6);
        if (kind == 0 || kind == 3) {
            b.resize(next(static_cast<std::uint32_t>(b.size())));
        } else if (kind == 1) {
            for (std::uint32_t k = next(64) + 1; k > 0; --k) {
                b.push_back(static_cast<std::uint8_t>(next(256)));
            }
        }
        for (std::uint32_t flips = next(4) + (kind >= 2 ? 1 : 0); flips > 0 && !b.empty();
             --flips) {
            b[next(static_cast<std::uint32_t>(b.size()))] ^=
                static_cast<std::uint8_t>(1 + next(255));
        }
        if (kind >= 3 && b.size() >= 16) {
            fixCrc(b);
        }
        const tresult result = live.plugin.setState(b);
        const Bytes after = live.plugin.getState();
        if (result == kResultOk) {
            ++taken;
            // Taken whole: the record's announced length, and nothing out of range.
            const bool whole = after.size() <= b.size() &&
                               std::equal(after.begin(), after.end(), b.begin()) &&
                               layoutProblem(after).empty();
            if (!whole) {
                ++wrong;
                first = first.empty() ? "record " + std::to_string(n) + " taken but not as given"
                                      : first;
            }
            current = after;
        } else if (after != current) {
            ++wrong;
            first = first.empty() ? "record " + std::to_string(n) + " refused but changed state"
                                  : first;
        }
    }
    std::printf("fuzz: %d records, %d taken whole, %d refused\n", records, taken, records - taken);
    expect(wrong == 0, kGroup, "fuzz: " + std::to_string(wrong) + " wrong; " + first);
}

} // namespace

void checkState(Context& context) {
    const Signal signal = excerpt();
    checkRecordLayout(*context.module);
    checkRoundTrips(*context.module, signal);
    checkRefusals(*context.module, signal);
    checkFuzz(*context.module, context.fuzzRecords);
}

} // namespace vst3check
