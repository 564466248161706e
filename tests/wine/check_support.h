// Small helpers for the test hosts that run under wine: a pass/fail tally (no GoogleTest
// for mingw here), dispatcher shorthands, byte-image checks of host texts, a message pump
// and a pixel grab of a window.
#pragma once

#include "host/vst_abi.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace check {

struct Tally {
    int passed = 0;
    int failed = 0;
};

inline Tally& tally() {
    static Tally t;
    return t;
}

// Records one check; failures are printed with their row so the log says what broke.
inline bool expect(bool ok, const char* row, const std::string& what) {
    if (ok) {
        ++tally().passed;
    } else {
        ++tally().failed;
        std::printf("FAIL [%s] %s\n", row, what.c_str());
    }
    return ok;
}

// Prints the closing tally line and answers the number of failures as the exit status.
inline int finish() {
    std::printf("%d passed, %d failed\n", tally().passed, tally().failed);
    std::fflush(stdout);
    return tally().failed;
}

inline std::string str(long long v) {
    return std::to_string(v);
}

inline VstIntPtr dispatch(AEffect* e, std::int32_t opcode, std::int32_t index = 0,
                          VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f) {
    return e->dispatcher(e, opcode, index, value, ptr, opt);
}

constexpr unsigned char kFill = 0xAA; // host buffers start dirty, as they do in a DAW
constexpr int kBufferSize = 64;

struct TextAnswer {
    VstIntPtr answer = 0;
    unsigned char bytes[kBufferSize];
};

// Runs a text opcode on a dirty 64-byte buffer.
inline TextAnswer askText(AEffect* e, std::int32_t opcode, std::int32_t index) {
    TextAnswer t;
    std::memset(t.bytes, kFill, sizeof t.bytes);
    t.answer = dispatch(e, opcode, index, 0, t.bytes);
    return t;
}

// Empty when the buffer holds exactly `text`, zero bytes up to `width`, and the host's
// bytes untouched beyond; otherwise a description of the first difference.
inline std::string imageMismatch(const TextAnswer& t, const char* text, int width) {
    const int length = static_cast<int>(std::strlen(text));
    for (int i = 0; i < kBufferSize; ++i) {
        const unsigned char want = i < length  ? static_cast<unsigned char>(text[i])
                                   : i < width ? 0
                                               : kFill;
        if (t.bytes[i] != want) {
            return "byte " + std::to_string(i) + " is " + std::to_string(t.bytes[i]) + ", want " +
                   std::to_string(want) + " (text \"" +
                   std::string(reinterpret_cast<const char*>(t.bytes),
                               strnlen(reinterpret_cast<const char*>(t.bytes), kBufferSize)) +
                   "\")";
        }
    }
    return {};
}

inline void expectText(AEffect* e, const char* row, std::int32_t opcode, std::int32_t index,
                       const char* text, int width, VstIntPtr answer = 1) {
    const TextAnswer t = askText(e, opcode, index);
    const std::string where = "opcode " + str(opcode) + " index " + str(index) + ": ";
    expect(t.answer == answer, row, where + "answer " + str(t.answer));
    const std::string mismatch = imageMismatch(t, text, width);
    expect(mismatch.empty(), row, where + mismatch);
}

// Delivers the window messages of this thread (timer ticks, paints) for `ms`.
inline void pumpMessages(DWORD ms) {
    const DWORD start = GetTickCount();
    MSG msg;
    // Time is checked per message: a slow paint can keep the queue from ever running dry.
    while (GetTickCount() - start < ms) {
        while (GetTickCount() - start < ms && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    }
}

// Number of distinct colours in the window's client area as it is on screen; an
// unpainted window without a background brush shows one colour.
inline std::size_t distinctColours(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    const int w = client.right;
    const int h = client.bottom;
    if (w <= 0 || h <= 0) {
        return 0;
    }
    HDC screen = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * h);
    GetDIBits(memory, bitmap, 0, h, pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    std::set<std::uint32_t> colours;
    for (std::uint32_t p : pixels) {
        colours.insert(p & 0xFFFFFFu);
    }
    return colours.size();
}

} // namespace check
