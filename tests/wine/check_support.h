// Small helpers for the test hosts that run under wine: a pass/fail tally (no GoogleTest
// for mingw here), dispatcher shorthands, byte-image checks of host texts, message pumps
// that wait for events rather than for times (or settle a window without its timer), a
// watch on a window's messages and pixel grabs of a window.
#pragma once

#include "host/vst_abi.h"
#include "tests/vst3/check_tally.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace check {

// Records one check; failures are printed with their row so the log says what broke.
inline bool expect(bool ok, const char* row, const std::string& what) {
    if (!ok) {
        std::printf("FAIL [%s] %s\n", row, what.c_str());
    }
    return checktally::note(ok);
}

// Prints the closing tally line and answers the exit status (checktally: 0 or 1).
using checktally::finish;

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

// ---------------------------------------------------------------- waiting for events
//
// The machine running these checks may be loaded: threads get the processor late and a
// paint may take many times its usual length. A check therefore never assumes how much
// happened in a given time. It waits for the event it needs (a paint done, a timer tick
// served, a posted message handled, N audio blocks processed), and only a deadline far
// beyond any normal run ends a wait that never comes, so that it fails loudly instead of
// hanging until the test runner's timeout.

constexpr DWORD kDeadlineMs = 60000;

// The editor's animation period; pumpTimerTicks measures "as long as a few of its ticks".
constexpr UINT kTickPeriodMs = 33;

namespace detail {

constexpr UINT kMarkerMessage = WM_APP + 0x51;
constexpr UINT_PTR kTickTimer = 0x7157;

// What the pumping thread has seen of its own markers and ticks.
struct PumpState {
    HWND window = nullptr;
    LPARAM markersPosted = 0;
    LPARAM markerSeen = 0;
    long ticks = 0;
};

inline PumpState& pumpState() {
    thread_local PumpState state;
    return state;
}

inline LRESULT CALLBACK pumpWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    PumpState& s = pumpState();
    if (msg == kMarkerMessage) {
        s.markerSeen = lParam;
        return 0;
    }
    if (msg == WM_TIMER && wParam == kTickTimer) {
        ++s.ticks;
        return 0;
    }
    return DefWindowProcA(window, msg, wParam, lParam);
}

// A message-only window of the pumping thread that receives the markers and ticks. A
// window rather than thread messages: a modal loop run by someone else on this thread
// (a drag loop, a message box) would drop thread messages, but dispatches these.
inline HWND pumpWindow() {
    PumpState& s = pumpState();
    if (s.window == nullptr) {
        static const ATOM registered = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = pumpWindowProc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "TolvaneCheckPump";
            return RegisterClassA(&wc);
        }();
        if (registered != 0) {
            s.window = CreateWindowExA(0, "TolvaneCheckPump", "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                       nullptr, GetModuleHandleA(nullptr), nullptr);
        }
    }
    return s.window;
}

} // namespace detail

// Delivers this thread's window messages until `done()` holds; answers whether it held
// before the deadline. `done` is asked after every message and at least every few
// milliseconds, so a condition another thread brings about (a counter it raises) is seen
// without a message to announce it.
template <class Done> bool pumpUntil(Done&& done, DWORD deadlineMs = kDeadlineMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (done()) {
            return true;
        }
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= deadlineMs) {
            return false;
        }
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else {
            MsgWaitForMultipleObjectsEx(0, nullptr, std::min<DWORD>(5, deadlineMs - elapsed),
                                        QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        }
    }
}

// Delivers every message posted to this thread so far, and the input queued for it (such
// as the mouse move SetCursorPos makes), then returns; false only past the deadline.
// Posted messages leave the queue in order, so once a marker posted now has come out,
// everything posted before it has been handled; input is then taken while any is left.
inline bool deliverQueued(DWORD deadlineMs = kDeadlineMs) {
    detail::PumpState& s = detail::pumpState();
    HWND marker = detail::pumpWindow();
    const LPARAM id = ++s.markersPosted;
    if (marker == nullptr || !PostMessageA(marker, detail::kMarkerMessage, 0, id)) {
        return false;
    }
    const DWORD start = GetTickCount();
    if (!pumpUntil([&] { return s.markerSeen == id; }, deadlineMs)) {
        return false;
    }
    // Paints and timer ticks are left out: they are made on demand and never run dry.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0,
                        PM_REMOVE | PM_QS_INPUT | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        if (GetTickCount() - start >= deadlineMs) {
            return false;
        }
    }
    return true;
}

// Delivers this thread's messages until a timer of the editor's period has ticked `ticks`
// times. For checks that something must NOT happen once timer ticks and paints have had
// their chance (a tick reaching a freed instance): how many ticks a fixed time holds
// depends on the load, the ticks served do not.
inline bool pumpTimerTicks(int ticks, DWORD deadlineMs = kDeadlineMs) {
    detail::PumpState& s = detail::pumpState();
    HWND window = detail::pumpWindow();
    if (window == nullptr || SetTimer(window, detail::kTickTimer, kTickPeriodMs, nullptr) == 0) {
        return false;
    }
    const long target = s.ticks + ticks;
    const bool served = pumpUntil([&] { return s.ticks >= target; }, deadlineMs);
    KillTimer(window, detail::kTickTimer);
    return served;
}

// Delivers every message waiting for this thread but timer ticks, until none is left: the
// windows settle (first paints, activation) while an editor's animation stays where it is.
// False past the deadline.
inline bool settleWithoutTicks() {
    const DWORD start = GetTickCount();
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, WM_TIMER - 1, PM_REMOVE) ||
           PeekMessageA(&msg, nullptr, WM_TIMER + 1, 0xFFFFFFFFu, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        if (GetTickCount() - start >= kDeadlineMs) {
            return false;
        }
    }
    return true;
}

// Delivers this thread's messages (timer ticks, paints) for at least `ms`. Only for
// letting time pass where time itself is the point, such as keeping two presses apart so
// they do not pair into a double click; a loaded machine can only make the wait longer.
inline void pumpMessages(DWORD ms) {
    const DWORD start = GetTickCount();
    pumpUntil([&] { return GetTickCount() - start >= ms; }, ms + 1);
}

// Counts what a window's procedure is handed, without changing what the window does: the
// window is subclassed and every message goes on to its own procedure. Lets a check wait
// for the paint or the timer tick it needs. UI thread only; the window may die first, and
// the watch then simply stops counting.
class WindowWatch {
  public:
    explicit WindowWatch(HWND window) : window_(window) {
        if (window_ == nullptr || IsWindow(window_) == FALSE) {
            window_ = nullptr;
            return;
        }
        // A second watch on the same window finds the first one's hook in place and
        // keeps the window's own procedure from the first.
        WindowWatch* earlier = find(window_);
        watches().push_back(this);
        if (earlier != nullptr) {
            original_ = earlier->original_;
            return;
        }
        original_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&proc)));
    }
    ~WindowWatch() {
        auto& all = watches();
        all.erase(std::remove(all.begin(), all.end(), this), all.end());
        if (window_ != nullptr && find(window_) == nullptr && IsWindow(window_) != FALSE &&
            GetWindowLongPtrA(window_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&proc)) {
            SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
        }
    }
    WindowWatch(const WindowWatch&) = delete;
    WindowWatch& operator=(const WindowWatch&) = delete;

    // Paints the window's procedure has finished.
    int paints() const { return paints_; }
    // Timer ticks it has been handed.
    int ticks() const { return ticks_; }
    // Paints finished after its first timer tick: the animation drives the picture.
    int paintsAfterTick() const { return paintsAfterTick_; }

    // Delivers messages until `paints` more paints have followed a timer tick (so the
    // timer runs and the window paints what it asks for); false past the deadline.
    bool waitForTickedPaints(int paints, DWORD deadlineMs = kDeadlineMs) const {
        const int target = paintsAfterTick_ + paints;
        return pumpUntil([&] { return paintsAfterTick_ >= target; }, deadlineMs);
    }
    // Delivers messages until `paints` more paints have finished; false past the deadline.
    bool waitForPaints(int paints, DWORD deadlineMs = kDeadlineMs) const {
        const int target = paints_ + paints;
        return pumpUntil([&] { return paints_ >= target; }, deadlineMs);
    }
    // Delivers messages until `ticks` more timer ticks have been handed to the window.
    bool waitForTicks(int ticks, DWORD deadlineMs = kDeadlineMs) const {
        const int target = ticks_ + ticks;
        return pumpUntil([&] { return ticks_ >= target; }, deadlineMs);
    }

  private:
    static std::vector<WindowWatch*>& watches() {
        static std::vector<WindowWatch*> all;
        return all;
    }

    static WindowWatch* find(HWND window) {
        for (WindowWatch* w : watches()) {
            if (w->window_ == window) {
                return w;
            }
        }
        return nullptr;
    }

    // Counts for every watch on the window; the list is walked afresh after the window's
    // own procedure, which may have started or ended a watch.
    static LRESULT CALLBACK proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
        const WindowWatch* first = find(window);
        if (first == nullptr) {
            return DefWindowProcA(window, msg, wParam, lParam); // never: the last one unhooks
        }
        const WNDPROC original = first->original_;
        for (WindowWatch* w : watches()) {
            w->ticks_ += w->window_ == window && msg == WM_TIMER ? 1 : 0;
        }
        const LRESULT result = CallWindowProcA(original, window, msg, wParam, lParam);
        for (WindowWatch* w : watches()) {
            if (w->window_ != window) {
                continue;
            }
            if (msg == WM_PAINT) {
                ++w->paints_;
                w->paintsAfterTick_ += w->ticks_ > 0 ? 1 : 0;
            }
            if (msg == WM_NCDESTROY) {
                w->window_ = nullptr;
            }
        }
        return result;
    }

    HWND window_ = nullptr;
    WNDPROC original_ = nullptr;
    int paints_ = 0;
    int ticks_ = 0;
    int paintsAfterTick_ = 0;
};

// The `width` x `height` pixels of the window's client area from (left, top) as its DC
// shows them: 0x00RRGGBB in the low bits, top-down rows. Empty when nothing was read.
inline std::vector<std::uint32_t> clientPixels(HWND window, int left, int top, int width,
                                               int height) {
    std::vector<std::uint32_t> pixels;
    if (width <= 0 || height <= 0) {
        return pixels;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC windowDc = GetDC(window);
    HDC memoryDc = CreateCompatibleDC(windowDc);
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (memoryDc != nullptr && dib != nullptr && bits != nullptr) {
        HGDIOBJ previous = SelectObject(memoryDc, dib);
        BitBlt(memoryDc, 0, 0, width, height, windowDc, left, top, SRCCOPY);
        GdiFlush();
        const auto* data = static_cast<const std::uint32_t*>(bits);
        pixels.assign(data,
                      data + static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        SelectObject(memoryDc, previous);
    }
    if (dib != nullptr) {
        DeleteObject(dib);
    }
    if (memoryDc != nullptr) {
        DeleteDC(memoryDc);
    }
    ReleaseDC(window, windowDc);
    return pixels;
}

// Number of distinct colours in the window's client area as it is on screen; an
// unpainted window without a background brush shows one colour.
inline std::size_t distinctColours(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    std::set<std::uint32_t> colours;
    for (std::uint32_t p : clientPixels(window, 0, 0, client.right, client.bottom)) {
        colours.insert(p & 0xFFFFFFu);
    }
    return colours.size();
}

} // namespace check
