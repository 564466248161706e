// Bounded wide-string formatting for the short texts the editor draws. A result that does
// not fit is cut at the buffer's end rather than written past it, so a runaway value (a
// gain of 1e300 from a bad automation write) costs a truncated label, never memory.
#pragma once

#include <cstddef>

constexpr std::size_t kShortTextCapacity = 32;

struct ShortText {
    wchar_t text[kShortTextCapacity];
};

// Formats at most `maxChars` characters (capped at kShortTextCapacity - 1) with swprintf.
ShortText formatShortText(std::size_t maxChars, const wchar_t* format, ...);
