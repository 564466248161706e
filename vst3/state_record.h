// The instance's whole state as the VST 3 build saves it with the host's project: the five
// parameter values, the band list (every field the editor can change), the loaded preset and
// the selected band. A small binary record, little-endian, fixed-width fields:
//
//   offset  size  field
//        0     4  magic "TQST"
//        4     4  version (uint32), 1 for the layout below
//        8     4  payload bytes that follow this header, checksum included (uint32)
//       12    20  parameters 0..4 (float32 each, 0..1)
//       32     4  preset index (int32, 0..2)
//       36     4  selected band (int32, -1 .. band count - 1)
//       40     4  band count (uint32, 1..24)
//       44  36*n  bands, each:
//                   +0  enabled (uint8, 0 or 1)
//                   +1  dynamic (uint8, 0 or 1)
//                   +2  two zero bytes
//                   +4  type (uint32, 0..5)
//                   +8  colour (uint32, ARGB)
//                  +12  frequency in Hz (float64, 20..20000)
//                  +20  gain in dB (float64, -24..+24)
//                  +28  Q (float64, 0.2..18)
//   44+36n     4  CRC-32 (IEEE, reflected, as zlib) of every byte before it
//
// A reader takes only the bytes the header announces. A record that is short, fails its
// checksum, carries an unknown version or holds a value outside the ranges above is
// refused as a whole. A later version keeps the header and reads every earlier version.
#pragma once

#include "dsp/band.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

constexpr std::uint32_t kStateRecordVersion = 1;
constexpr std::size_t kStateHeaderBytes = 12;
constexpr std::size_t kStateBandBytes = 36;
constexpr std::uint32_t kStateMaxBands = 24;
// The largest payload any version may announce; anything bigger is refused before reading.
constexpr std::uint32_t kStateMaxPayloadBytes = 4096;

struct SavedState {
    std::array<float, 5> params{};
    std::vector<Band> bands;
    std::int32_t presetIndex = 0;
    std::int32_t selectedBand = 0;
};

std::vector<std::uint8_t> encodeStateRecord(const SavedState& state);

// The payload length a valid header announces, or nothing for a header no version knows.
std::optional<std::uint32_t> statePayloadBytes(const std::uint8_t* header, std::size_t size);

// The whole record, header included; nothing when it is refused.
std::optional<SavedState> decodeStateRecord(const std::uint8_t* data, std::size_t size);

std::uint32_t crc32(const std::uint8_t* data, std::size_t size);
