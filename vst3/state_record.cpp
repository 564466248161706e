#include "vst3/state_record.h"

#include <cmath>
#include <cstring>

namespace {

constexpr std::uint8_t kMagic[4] = {'T', 'Q', 'S', 'T'};
constexpr std::size_t kFixedPayloadBytes = 32; // parameters, preset, selection, band count
constexpr std::size_t kChecksumBytes = 4;
constexpr int kBandTypes = 6;
constexpr int kPresets = 3;

// The editor's reach for each band field: node drags span 20 Hz..20 kHz and -24..+24 dB,
// the wheel keeps Q within 0.2..18. A hair of slack absorbs the pixel mappings' rounding.
constexpr double kSlack = 1e-9;
constexpr double kMinFrequency = 20.0 * (1.0 - kSlack);
constexpr double kMaxFrequency = 20000.0 * (1.0 + kSlack);
constexpr double kMaxGain = 24.0 * (1.0 + kSlack);
constexpr double kMinQ = 0.2 * (1.0 - kSlack);
constexpr double kMaxQ = 18.0 * (1.0 + kSlack);

void putU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}

void putF32(std::vector<std::uint8_t>& out, float v) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    putU32(out, bits);
}

void putF64(std::vector<std::uint8_t>& out, double v) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    putU32(out, static_cast<std::uint32_t>(bits));
    putU32(out, static_cast<std::uint32_t>(bits >> 32));
}

std::uint32_t getU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

float getF32(const std::uint8_t* p) {
    const std::uint32_t bits = getU32(p);
    float v = 0.0f;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

double getF64(const std::uint8_t* p) {
    const std::uint64_t bits = getU32(p) | static_cast<std::uint64_t>(getU32(p + 4)) << 32;
    double v = 0.0;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// Written so that NaN fails every range test.
bool within(double v, double lo, double hi) {
    return v >= lo && v <= hi;
}

std::optional<Band> readBandV1(const std::uint8_t* p) {
    if (p[0] > 1 || p[1] > 1 || p[2] != 0 || p[3] != 0) {
        return std::nullopt;
    }
    Band band{};
    band.enabled = p[0] == 1;
    band.dynamic = p[1] == 1;
    band.type = getU32(p + 4);
    band.colour = getU32(p + 8);
    band.frequency = getF64(p + 12);
    band.gain = getF64(p + 20);
    band.q = getF64(p + 28);
    if (band.type >= static_cast<std::uint32_t>(kBandTypes) ||
        !within(band.frequency, kMinFrequency, kMaxFrequency) ||
        !within(band.gain, -kMaxGain, kMaxGain) || !within(band.q, kMinQ, kMaxQ)) {
        return std::nullopt;
    }
    return band;
}

std::optional<SavedState> readPayloadV1(const std::uint8_t* p, std::size_t size) {
    if (size < kFixedPayloadBytes + kChecksumBytes) {
        return std::nullopt;
    }
    SavedState state;
    for (std::size_t i = 0; i < state.params.size(); ++i) {
        state.params[i] = getF32(p + 4 * i);
        if (!within(state.params[i], 0.0, 1.0)) {
            return std::nullopt;
        }
    }
    state.presetIndex = static_cast<std::int32_t>(getU32(p + 20));
    state.selectedBand = static_cast<std::int32_t>(getU32(p + 24));
    const std::uint32_t count = getU32(p + 28);
    if (count < 1 || count > kStateMaxBands ||
        size != kFixedPayloadBytes + count * kStateBandBytes + kChecksumBytes) {
        return std::nullopt;
    }
    if (state.presetIndex < 0 || state.presetIndex >= kPresets || state.selectedBand < -1 ||
        state.selectedBand >= static_cast<std::int32_t>(count)) {
        return std::nullopt;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto band = readBandV1(p + kFixedPayloadBytes + i * kStateBandBytes);
        if (!band) {
            return std::nullopt;
        }
        state.bands.push_back(*band);
    }
    return state;
}

} // namespace

std::uint32_t crc32(const std::uint8_t* data, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

std::vector<std::uint8_t> encodeStateRecord(const SavedState& state) {
    std::vector<std::uint8_t> out(kMagic, kMagic + 4);
    putU32(out, kStateRecordVersion);
    const auto count = static_cast<std::uint32_t>(state.bands.size());
    putU32(out, static_cast<std::uint32_t>(kFixedPayloadBytes + count * kStateBandBytes +
                                           kChecksumBytes));
    for (float v : state.params) {
        putF32(out, v);
    }
    putU32(out, static_cast<std::uint32_t>(state.presetIndex));
    putU32(out, static_cast<std::uint32_t>(state.selectedBand));
    putU32(out, count);
    for (const Band& band : state.bands) {
        out.push_back(band.enabled ? 1 : 0);
        out.push_back(band.dynamic ? 1 : 0);
        out.push_back(0);
        out.push_back(0);
        putU32(out, band.type);
        putU32(out, band.colour);
        putF64(out, band.frequency);
        putF64(out, band.gain);
        putF64(out, band.q);
    }
    putU32(out, crc32(out.data(), out.size()));
    return out;
}

std::optional<std::uint32_t> statePayloadBytes(const std::uint8_t* header, std::size_t size) {
    if (header == nullptr || size < kStateHeaderBytes || std::memcmp(header, kMagic, 4) != 0) {
        return std::nullopt;
    }
    const std::uint32_t version = getU32(header + 4);
    const std::uint32_t payload = getU32(header + 8);
    if (version < 1 || version > kStateRecordVersion || payload > kStateMaxPayloadBytes) {
        return std::nullopt;
    }
    return payload;
}

std::optional<SavedState> decodeStateRecord(const std::uint8_t* data, std::size_t size) {
    const auto payload = statePayloadBytes(data, size);
    if (!payload || size != kStateHeaderBytes + *payload || *payload < kChecksumBytes) {
        return std::nullopt;
    }
    const std::size_t checked = size - kChecksumBytes;
    if (crc32(data, checked) != getU32(data + checked)) {
        return std::nullopt;
    }
    // Only version 1 exists; a later version adds its reader here and keeps this one.
    return readPayloadV1(data + kStateHeaderBytes, *payload);
}
