// Times the editor's WM_PAINT of a given Tolvane-Q.dll under wine: opens the editor in a
// 920x580 host frame, plays the programme through the plug-in on this thread and times
// InvalidateRect + UpdateWindow (one full WM_PAINT) per frame, one block of audio fed
// between frames so every frame shows new spectrum, curves and meters. The audio is fed
// outside the timed span, so only the paint is measured. Prints the first paint, the
// median, the fastest and the slowest frame. A benchmark host (bench/paint/compare.sh
// runs it against two DLLs in turn); no test runs it and nothing is judged on its times.
//
// With --drag the mouse drags the selected band's node up and down between frames (also
// outside the timed span), so every frame shows an edit, as while the user drags.
//
//     paint_timer.exe <Tolvane-Q.dll> [frames] [--drag]
#include "host/vst_abi.h"
#include "tests/wine/check_support.h"
#include "tests/wine/plugin_loader.h"
#include "tools/programme_signal.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int kWidth = 920;
constexpr int kHeight = 580;
constexpr float kSampleRate = 48000.0f;
constexpr int kBlock = 512;
constexpr char kEditorClass[] = "MorvelTolvaneQEditorWndClass";
// As the snapshot: two seconds of music first, so the analyser and meters are warm.
constexpr std::uint64_t kWarmFrames = 197 * kBlock;

VstIntPtr VST_CALL hostCallback(AEffect*, std::int32_t opcode, std::int32_t, VstIntPtr, void*,
                                float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

struct Feed {
    std::vector<float> inL = std::vector<float>(kBlock), inR = std::vector<float>(kBlock);
    std::vector<float> outL = std::vector<float>(kBlock), outR = std::vector<float>(kBlock);
    std::uint64_t frame = 0;

    void block(AEffect* effect) {
        programme::render(frame, kBlock, kSampleRate, inL.data(), inR.data());
        float* inputs[2] = {inL.data(), inR.data()};
        float* outputs[2] = {outL.data(), outR.data()};
        effect->processReplacing(effect, inputs, outputs, kBlock);
        frame += kBlock;
    }
};

HWND createHostFrame() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = "TolvanePaintTimerFrame";
    RegisterClassA(&wc);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    RECT r{0, 0, kWidth, kHeight};
    AdjustWindowRect(&r, style, FALSE);
    HWND frame =
        CreateWindowExA(0, wc.lpszClassName, "Tolvane-Q paint timer", style, 0, 0, r.right - r.left,
                        r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
    if (frame != nullptr) {
        ShowWindow(frame, SW_SHOWNORMAL);
        UpdateWindow(frame);
    }
    return frame;
}

// The selected band of the factory bands (5: 2.9 kHz, +2.8 dB) sits here in the editor.
constexpr int kNodeX = 643;
constexpr int kNodeY = 217;

LPARAM at(int x, int y) {
    return MAKELPARAM(x, y);
}

// Moves the grabbed node 12 pixels up or down, by turns.
void dragStep(HWND editor, int frame) {
    const int y = kNodeY + (frame % 2 == 0 ? 12 : -12);
    SendMessageA(editor, WM_MOUSEMOVE, MK_LBUTTON, at(kNodeX, y));
}

double timedPaint(HWND editor) {
    static const double ticksPerMs = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    InvalidateRect(editor, nullptr, FALSE);
    UpdateWindow(editor);
    QueryPerformanceCounter(&end);
    return static_cast<double>(end.QuadPart - start.QuadPart) / ticksPerMs;
}

int timeEditor(AEffect* effect, HWND frame, int frames, bool drag) {
    check::dispatch(effect, effEditOpen, 0, 0, frame);
    HWND editor = FindWindowExA(frame, nullptr, kEditorClass, nullptr);
    if (editor == nullptr) {
        std::printf("no editor window\n");
        return 1;
    }
    check::deliverQueued();
    Feed feed;
    while (feed.frame < kWarmFrames) {
        feed.block(effect);
    }
    const check::WindowWatch watch(editor);
    const double first = timedPaint(editor);
    if (drag) {
        SendMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, at(kNodeX, kNodeY));
    }
    std::vector<double> ms;
    for (int i = 0; i < frames; ++i) {
        feed.block(effect);
        if (drag) {
            dragStep(editor, i);
        }
        ms.push_back(timedPaint(editor));
    }
    if (drag) {
        SendMessageA(editor, WM_LBUTTONUP, 0, at(kNodeX, kNodeY));
    }
    const int paints = watch.paints();
    check::dispatch(effect, effEditClose);
    std::sort(ms.begin(), ms.end());
    const double median =
        frames % 2 == 1 ? ms[frames / 2] : 0.5 * (ms[frames / 2 - 1] + ms[frames / 2]);
    std::printf("first_ms=%.3f median_ms=%.3f fastest_ms=%.3f slowest_ms=%.3f frames=%d "
                "paints=%d\n",
                first, median, ms.front(), ms.back(), frames, paints);
    return paints == frames + 1 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: paint_timer.exe <Tolvane-Q.dll> [frames] [--drag]\n");
        return 1;
    }
    const int frames = argc > 2 ? std::max(1, std::atoi(argv[2])) : 100;
    const bool drag = argc > 3 && std::strcmp(argv[3], "--drag") == 0;
    HMODULE module = LoadLibraryA(argv[1]);
    AEffect* effect =
        module != nullptr ? loadRunningPlugin(module, hostCallback, kSampleRate, kBlock) : nullptr;
    HWND frame = effect != nullptr ? createHostFrame() : nullptr;
    if (frame == nullptr) {
        std::printf("plug-in or host frame failed to load\n");
        return 1;
    }
    const int status = timeEditor(effect, frame, frames, drag);
    DestroyWindow(frame);
    check::dispatch(effect, effMainsChanged, 0, 0);
    check::dispatch(effect, effClose);
    check::deliverQueued();
    FreeLibrary(module);
    return status;
}
