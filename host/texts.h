// Texts handed to the host are fixed byte images: the text, then zero bytes up to the size
// the request guarantees, so the host never reads stale bytes after the terminator.
#pragma once

#include <cstddef>
#include <cstring>

// Writes `text` into the first `size` bytes of `buffer`, zero-padded; a text too long for
// the image is cut so that a terminating zero always fits.
inline void writeFixedText(void* buffer, const char* text, std::size_t size) {
    auto* out = static_cast<char*>(buffer);
    std::memset(out, 0, size);
    const std::size_t length = std::strlen(text);
    std::memcpy(out, text, length < size ? length : size - 1);
}
