// The five parameters' texts as VST 3 hosts ask for them: display texts for any normalized
// value (the same texts the VST 2.4 build shows) and the way back from a typed text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

// The display text of `normalized` for parameter `index`, as UTF-16 into `out` (128 units).
void paramDisplayText(std::int32_t index, double normalized, char16_t* out);
// A text as the display shows it (or a plain number, a unit after it allowed) back to a
// normalized value; nothing for a text that is not a value of this parameter.
std::optional<double> parseParamText(std::int32_t index, const char16_t* text);

// Plain values: dB for the trim, percent for the three amounts, 0/1 for bypass.
double paramToPlain(std::int32_t index, double normalized);
double plainToParam(std::int32_t index, double plain);

// Copies ASCII `text` into a UTF-16 field of `units` code units, zero-filled.
void copyAsciiToUtf16(const char* text, char16_t* out, std::size_t units);
