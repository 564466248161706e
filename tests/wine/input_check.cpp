// Drives the real editor of Tolvane-Q.dll with mouse messages, as a user would, while a
// host audio thread keeps processing: drag a band node, turn the wheel on it, step the
// presets, drag two knobs and press the bypass button. Band edits are checked by what
// they do to the sound (the level of a test tone through the plug-in), knob and button
// edits through getParameter and the dispatcher's parameter texts.
//
//     input_check.exe <Tolvane-Q.dll>
//
// Prints one line per failed check and "N passed, N failed"; the exit code is the number
// of failures.
#include "editor/input_pointer.h"
#include "editor/layout.h"
#include "host/vst_abi.h"
#include "tests/wine/check_support.h"
#include "tests/wine/plugin_loader.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr float kSampleRate = 48000.0f;
constexpr int kBlock = 512;
constexpr float kToneAmplitude = 0.02f; // far below the output limiter's bend
constexpr char kEditorClass[] = "MorvelTolvaneQEditorWndClass";
constexpr double kTwoPi = 6.283185307179586;

VstIntPtr VST_CALL hostCallback(AEffect*, std::int32_t opcode, std::int32_t, VstIntPtr, void*,
                                float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

AEffect* loadPlugin(HMODULE module) {
    return loadRunningPlugin(module, hostCallback, static_cast<float>(kSampleRate), kBlock);
}

// ---------------------------------------------------------------- audio thread

// A sine of adjustable frequency through the plug-in, block after block, with the RMS of
// each output block published for the window thread. Every measurement counts blocks,
// never time, so it does not matter how fast or how regularly the thread gets to run.
struct ToneFeed {
    AEffect* effect = nullptr;
    std::atomic<float> hz{1000.0f};
    std::atomic<float> lastRms{0.0f};
    std::atomic<long> blocks{0};
    std::atomic<bool> stop{false};
    std::thread thread;
    bool stalled = false; // window thread only: a wait for blocks ran out
};

void toneLoop(ToneFeed& feed) {
    std::vector<float> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
    float* inputs[2] = {inL.data(), inR.data()};
    float* outputs[2] = {outL.data(), outR.data()};
    double phase = 0.0;
    while (!feed.stop.load()) {
        const double step = kTwoPi * feed.hz.load() / kSampleRate;
        for (int i = 0; i < kBlock; ++i, phase += step) {
            inL[i] = inR[i] = kToneAmplitude * static_cast<float>(std::sin(phase));
        }
        phase = std::fmod(phase, kTwoPi);
        feed.effect->processReplacing(feed.effect, inputs, outputs, kBlock);
        double sum = 0.0;
        for (float v : outL) {
            sum += static_cast<double>(v) * v;
        }
        feed.lastRms.store(static_cast<float>(std::sqrt(sum / kBlock)));
        feed.blocks.fetch_add(1);
        // Faster than real time, but never a busy loop on the shared machine. Only the
        // pace depends on this pause; the checks wait for blocks, however long they take.
        std::this_thread::sleep_for(std::chrono::milliseconds(4));
    }
}

// Waits for n more blocks while the window thread keeps serving its messages. An audio
// thread that stops delivering fails the run once; later waits then return at once, so
// the run still ends with its tally before the test runner's timeout.
void waitBlocks(ToneFeed& feed, long n) {
    if (feed.stalled) {
        return;
    }
    const long target = feed.blocks.load() + n;
    feed.stalled = !check::pumpUntil([&] { return feed.blocks.load() >= target; });
    check::expect(!feed.stalled, "audio", "no audio block processed for a minute");
}

// Level of the tone at `hz` after the plug-in, in dB relative to the input, once the
// filters and the programme detector have settled on it.
double levelDb(ToneFeed& feed, float hz) {
    feed.hz.store(hz);
    waitBlocks(feed, 60);
    double sum = 0.0;
    for (int i = 0; i < 8; ++i) {
        waitBlocks(feed, 1);
        sum += feed.lastRms.load();
    }
    const double inputRms = kToneAmplitude / std::sqrt(2.0);
    const double level = 20.0 * std::log10(sum / 8.0 / inputRms);
    // The measured levels go to the log, so a near miss can be judged from it.
    std::printf("level at %.0f Hz: %+.2f dB\n", static_cast<double>(hz), level);
    return level;
}

// ---------------------------------------------------------------- mouse

// Posts mouse messages to the editor. The real cursor is moved along, so whatever
// motion the window system reports on its own (on capture, for example) agrees with ours.
// Each message has been handled, with the motion the cursor move queued, by the time the
// call returns: a check right after reads the state the gesture left, however slowly the
// window thread runs.
struct Mouse {
    HWND editor = nullptr;

    void place(int x, int y) const {
        POINT p{x, y};
        ClientToScreen(editor, &p);
        SetCursorPos(p.x, p.y);
    }
    void post(UINT msg, WPARAM wParam, int x, int y) const {
        PostMessageA(editor, msg, wParam, MAKELPARAM(x, y));
        check::expect(check::deliverQueued(), "mouse", "posted message not handled");
    }
    void press(int x, int y) const {
        // Apart in time, so no two presses pair into a double click; a loaded machine can
        // only make the gap longer.
        check::pumpMessages(kDoubleClickMs + 50);
        place(x, y);
        post(WM_LBUTTONDOWN, MK_LBUTTON, x, y);
    }
    void moveTo(int x, int y) const {
        place(x, y);
        post(WM_MOUSEMOVE, MK_LBUTTON, x, y);
    }
    void release(int x, int y) const { post(WM_LBUTTONUP, 0, x, y); }
    void drag(int fromX, int fromY, int toX, int toY) const {
        press(fromX, fromY);
        for (int step = 1; step <= 8; ++step) {
            moveTo(fromX + (toX - fromX) * step / 8, fromY + (toY - fromY) * step / 8);
        }
        release(toX, toY);
    }
    void click(int x, int y) const {
        press(x, y);
        release(x, y);
    }
    void wheel(int delta, int x, int y) const {
        POINT p{x, y};
        ClientToScreen(editor, &p);
        PostMessageA(editor, WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(p.x, p.y));
        check::expect(check::deliverQueued(), "mouse", "posted wheel not handled");
    }
};

std::string display(AEffect* effect, int index) {
    const check::TextAnswer t = check::askText(effect, effGetParamDisplay, index);
    return std::string(reinterpret_cast<const char*>(t.bytes),
                       strnlen(reinterpret_cast<const char*>(t.bytes), check::kBufferSize));
}

std::string dB(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f dB", v);
    return text;
}

// ---------------------------------------------------------------- checks

// Band 4 of the starting list (2900 Hz, +2.8 dB) is dragged to 1 kHz and +24 dB, then
// narrowed with the wheel. The tone at 1 kHz must rise, the tone beside it must fall
// again when the band narrows, and no parameter may move.
void checkNodeDragAndWheel(AEffect* effect, ToneFeed& feed, const Mouse& mouse, double base) {
    const float defaults[5] = {0.5f, 0.85f, 0.90f, 0.92f, 0.0f};
    const int nodeX = static_cast<int>(std::lround(frequencyToX(2900.0, kEditorWidth)));
    const int nodeY = static_cast<int>(std::lround(gainToY(2.8)));
    const int toX = static_cast<int>(std::lround(frequencyToX(1000.0, kEditorWidth)));
    mouse.drag(nodeX, nodeY, toX, 52);
    const double boosted = levelDb(feed, 1000.0f);
    check::expect(boosted > base + 10.0, "node drag",
                  "1 kHz went from " + dB(base) + " to " + dB(boosted));
    for (int i = 0; i < 5; ++i) {
        check::expect(effect->getParameter(effect, i) == defaults[i], "node drag",
                      "parameter " + check::str(i) + " changed");
    }
    const double sideWide = levelDb(feed, 1700.0f);
    for (int i = 0; i < 20; ++i) {
        mouse.wheel(WHEEL_DELTA, 700, 300); // the pointer position does not matter
    }
    const double sideNarrow = levelDb(feed, 1700.0f);
    check::expect(sideNarrow < sideWide - 6.0, "wheel",
                  "1.7 kHz went from " + dB(sideWide) + " to " + dB(sideNarrow));
    const double centre = levelDb(feed, 1000.0f);
    check::expect(centre > base + 10.0, "wheel", "1 kHz now " + dB(centre));
}

// Three presses on the preset box: preset 1 (a high cut at 16 kHz), preset 2, then
// preset 0, which is the starting list again, so the edits above are gone.
void checkPresetBox(ToneFeed& feed, const Mouse& mouse, double base1k, double base16k) {
    mouse.click(460, 25);
    const double cut = levelDb(feed, 16000.0f);
    check::expect(cut < base16k - 3.0, "preset 1",
                  "16 kHz " + dB(cut) + ", starting list " + dB(base16k));
    mouse.click(460, 25);
    const double glue = levelDb(feed, 16000.0f);
    check::expect(glue > cut + 3.0, "preset 2", "16 kHz " + dB(glue));
    mouse.click(460, 25);
    const double back16k = levelDb(feed, 16000.0f);
    const double back1k = levelDb(feed, 1000.0f);
    check::expect(std::fabs(back16k - base16k) < 1.0, "preset 0", "16 kHz " + dB(back16k));
    check::expect(std::fabs(back1k - base1k) < 1.0, "preset 0", "1 kHz " + dB(back1k));
}

// OUTPUT TRIM (knob 3) drives parameter 0, VAVU COUPLING (knob 0) parameter 1: 130
// pixels span the whole range, measured from the press point.
void checkKnobs(AEffect* effect, const Mouse& mouse) {
    mouse.drag(385, 520, 385, 455); // 0.5 + 65/130
    check::expect(effect->getParameter(effect, 0) == 1.0f, "trim knob",
                  "value " + std::to_string(effect->getParameter(effect, 0)));
    check::expect(display(effect, 0) == "+12.0", "trim knob", "text " + display(effect, 0));
    mouse.drag(385, 520, 385, 585);
    check::expect(effect->getParameter(effect, 0) == 0.5f, "trim knob",
                  "back to " + std::to_string(effect->getParameter(effect, 0)));
    mouse.drag(55, 520, 55, 546); // 0.85 - 26/130
    const float coupling = effect->getParameter(effect, 1);
    check::expect(std::fabs(coupling - 0.65f) < 1e-6f, "coupling knob",
                  "value " + std::to_string(coupling));
    check::expect(display(effect, 1) == "65", "coupling knob", "text " + display(effect, 1));
    check::expect(effect->getParameter(effect, 0) == 0.5f, "coupling knob", "trim moved");
}

// The bypass button toggles parameter 4; while bypassed the tone passes untouched.
void checkBypass(AEffect* effect, ToneFeed& feed, const Mouse& mouse) {
    mouse.click(842, 511);
    check::expect(effect->getParameter(effect, 4) == 1.0f, "bypass", "not set");
    check::expect(display(effect, 4) == "BYPASS", "bypass", "text " + display(effect, 4));
    const double level = levelDb(feed, 1000.0f);
    check::expect(std::fabs(level) < 0.05, "bypass", "1 kHz " + dB(level));
    mouse.click(842, 511);
    check::expect(effect->getParameter(effect, 4) == 0.0f, "bypass", "not cleared");
    check::expect(display(effect, 4) == "ACTIVE", "bypass", "text " + display(effect, 4));
}

HWND createHostFrame() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TolvaneInputCheckFrame";
    RegisterClassA(&wc);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    RECT r{0, 0, kEditorWidth, kEditorHeight};
    AdjustWindowRect(&r, style, FALSE);
    HWND frame =
        CreateWindowExA(0, wc.lpszClassName, "Tolvane-Q input check", style, 0, 0, r.right - r.left,
                        r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
    if (frame != nullptr) {
        ShowWindow(frame, SW_SHOWNORMAL);
        UpdateWindow(frame);
    }
    return frame;
}

void runChecks(AEffect* effect, HWND editor) {
    ToneFeed feed;
    feed.effect = effect;
    feed.thread = std::thread(toneLoop, std::ref(feed));
    const Mouse mouse{editor};
    {
        // The editor is up and running (ticking and painting) before the first gesture.
        const check::WindowWatch watch(editor);
        check::expect(watch.waitForTickedPaints(1), "open", "editor never ticked and painted");
    }
    const double base1k = levelDb(feed, 1000.0f);
    const double base16k = levelDb(feed, 16000.0f);
    checkNodeDragAndWheel(effect, feed, mouse, base1k);
    checkPresetBox(feed, mouse, base1k, base16k);
    checkKnobs(effect, mouse);
    checkBypass(effect, feed, mouse);
    check::expect(GetCapture() == nullptr, "release", "mouse capture left behind");
    feed.stop.store(true);
    feed.thread.join();
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc != 2) {
        std::printf("usage: input_check.exe <Tolvane-Q.dll>\n");
        return 1;
    }
    HMODULE dll = LoadLibraryA(argv[1]);
    AEffect* effect = dll != nullptr ? loadPlugin(dll) : nullptr;
    if (!check::expect(effect != nullptr, "load", std::string("cannot load ") + argv[1])) {
        return check::finish();
    }
    HWND frame = createHostFrame();
    const bool opened = check::dispatch(effect, effEditOpen, 0, 0, frame) == 1;
    HWND editor = FindWindowExA(frame, nullptr, kEditorClass, nullptr);
    if (check::expect(opened && editor != nullptr, "open", "editor did not open")) {
        runChecks(effect, editor);
    }
    check::dispatch(effect, effEditClose);
    check::dispatch(effect, effClose);
    DestroyWindow(frame);
    FreeLibrary(dll);
    return check::finish();
}
