#include "editor/text_format.h"

#include <algorithm>
#include <cstdarg>
#include <cwchar>

ShortText formatShortText(std::size_t maxChars, const wchar_t* format, ...) {
    ShortText out{};
    const std::size_t size = std::min(maxChars, kShortTextCapacity - 1) + 1;
    std::va_list args;
    va_start(args, format);
    const int written = std::vswprintf(out.text, size, format, args);
    va_end(args);
    // On overflow vswprintf reports failure; what it left in the buffer is bounded but not
    // guaranteed to be terminated, so keep what fits and terminate it here.
    if (written < 0) {
        out.text[size - 1] = L'\0';
    }
    return out;
}
