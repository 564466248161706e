// Opens the real editor of Tolvane-Q.dll in a host window like a DAW would, feeds the
// plug-in a fixed stretch of music so the spectrum and meters show it, and saves what the
// editor window shows as a PNG. With --check it also compares fixed pixels with the
// editor's colours, times the paint while an audio thread plays on, and opens and closes
// the editor repeatedly to catch leaked windows and GDI objects.
//
//     editor_snapshot.exe <Tolvane-Q.dll> <out.png> [--check]
//
// Prints one line per check and "N passed, N failed"; the exit code is the failure count.
#include "host/vst_abi.h"
#include "tests/picture/editor_colour_checks.h"
#include "tests/vst3/editor_image.h"
#include "tests/wine/check_support.h"
#include "tests/wine/plugin_loader.h"
#include "tools/programme_signal.h"

#include <windows.h>

#include <gdiplus.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace flat = Gdiplus::DllExports;

constexpr int kWidth = 920;
constexpr int kHeight = 580;
constexpr float kSampleRate = 48000.0f;
constexpr int kBlock = 512;
constexpr char kEditorClass[] = "MorvelTolvaneQEditorWndClass";

// The music the picture shows: the programme's first 197 blocks (2.1 s), ending a tenth
// of a second after a beat, with its kick and bass note ringing. That is 98 analyser runs
// (one per 1024 samples), far more than its smoothing needs to rise from silence, and the
// meters show the last of those blocks.
constexpr std::uint64_t kCaptureFrames = 197 * kBlock;

// Blocks the audio thread must have processed before the paints are timed against it.
constexpr long kBlocksBeforeTiming = 16;

// ---------------------------------------------------------------- results

struct Tally {
    int passed = 0;
    int failed = 0;
};
Tally tally;

void check(bool ok, const std::string& what) {
    std::printf("%s %s\n", ok ? "PASS" : "FAIL", what.c_str());
    ++(ok ? tally.passed : tally.failed);
}

// ---------------------------------------------------------------- plug-in

VstIntPtr VST_CALL hostCallback(AEffect*, std::int32_t opcode, std::int32_t, VstIntPtr, void*,
                                float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

VstIntPtr dispatch(AEffect* effect, std::int32_t opcode, std::int32_t index = 0,
                   VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

AEffect* loadPlugin(HMODULE module) {
    return loadRunningPlugin(module, hostCallback, static_cast<float>(kSampleRate), kBlock);
}

// One block of the programme from `frame` on through the plug-in, as a host calls it.
struct ProgrammeBlock {
    std::vector<float> inL = std::vector<float>(kBlock), inR = std::vector<float>(kBlock);
    std::vector<float> outL = std::vector<float>(kBlock), outR = std::vector<float>(kBlock);

    void process(AEffect* effect, std::uint64_t frame) {
        programme::render(frame, kBlock, kSampleRate, inL.data(), inR.data());
        float* inputs[2] = {inL.data(), inR.data()};
        float* outputs[2] = {outL.data(), outR.data()};
        effect->processReplacing(effect, inputs, outputs, kBlock);
    }
};

// Runs the programme's first `frames` through the plug-in on the calling thread: the
// analyser and the meters get the same music on every run, however busy the machine is.
void feedProgramme(AEffect* effect, std::uint64_t frames) {
    ProgrammeBlock block;
    for (std::uint64_t frame = 0; frame < frames; frame += kBlock) {
        block.process(effect, frame);
    }
}

// Plays on from `firstFrame` in real time on its own thread, the way a host's audio
// thread does, while the window thread paints; counts the blocks so the window thread can
// wait until the audio is really running.
struct AudioFeed {
    AEffect* effect = nullptr;
    std::uint64_t firstFrame = 0;
    std::atomic<long> blocks{0};
    std::atomic<bool> stop{false};
    std::thread thread;
};

void audioLoop(AudioFeed& feed) {
    ProgrammeBlock block;
    std::uint64_t frame = feed.firstFrame;
    const auto period =
        std::chrono::microseconds(1000000LL * kBlock / static_cast<long long>(kSampleRate));
    auto next = std::chrono::steady_clock::now();
    while (!feed.stop.load()) {
        block.process(feed.effect, frame);
        frame += kBlock;
        feed.blocks.fetch_add(1);
        next += period;
        std::this_thread::sleep_until(next);
    }
}

// ---------------------------------------------------------------- windows

using check::settleWithoutTicks;

HWND createHostFrame() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = "TolvaneSnapshotHostFrame";
    RegisterClassA(&wc);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    RECT r{0, 0, kWidth, kHeight};
    AdjustWindowRect(&r, style, FALSE);
    HWND frame = CreateWindowExA(0, wc.lpszClassName, "Tolvane-Q snapshot host", style, 0, 0,
                                 r.right - r.left, r.bottom - r.top, nullptr, nullptr, wc.hInstance,
                                 nullptr);
    if (frame != nullptr) {
        ShowWindow(frame, SW_SHOWNORMAL);
        UpdateWindow(frame);
        RECT client{};
        GetClientRect(frame, &client);
        check(client.right == kWidth && client.bottom == kHeight,
              "host frame client area is 920x580");
    }
    return frame;
}

HWND findEditor(HWND frame) {
    return FindWindowExA(frame, nullptr, kEditorClass, nullptr);
}

// ---------------------------------------------------------------- pixels

// The editor's pixels as read back from its window.
using Picture = vst3check::Image;

Picture captureWindow(HWND window) {
    Picture picture;
    RECT client{};
    GetClientRect(window, &client);
    picture.pixels = check::clientPixels(window, 0, 0, client.right, client.bottom);
    if (!picture.empty()) {
        picture.width = client.right;
        picture.height = client.bottom;
    }
    return picture;
}

bool pngEncoder(CLSID& clsid) {
    UINT count = 0;
    UINT bytes = 0;
    flat::GdipGetImageEncodersSize(&count, &bytes);
    if (count == 0 || bytes == 0) {
        return false;
    }
    std::vector<unsigned char> buffer(bytes);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    flat::GdipGetImageEncoders(count, bytes, codecs);
    for (UINT i = 0; i < count; ++i) {
        if (codecs[i].MimeType != nullptr && std::wcscmp(codecs[i].MimeType, L"image/png") == 0) {
            clsid = codecs[i].Clsid;
            return true;
        }
    }
    return false;
}

bool savePng(const Picture& picture, const char* path) {
    CLSID clsid{};
    if (picture.pixels.empty() || !pngEncoder(clsid)) {
        return false;
    }
    std::vector<std::uint32_t> opaque(picture.pixels);
    for (std::uint32_t& p : opaque) {
        p |= 0xFF000000u;
    }
    Gdiplus::GpBitmap* bitmap = nullptr;
    flat::GdipCreateBitmapFromScan0(picture.width, picture.height, picture.width * 4,
                                    PixelFormat32bppARGB, reinterpret_cast<BYTE*>(opaque.data()),
                                    &bitmap);
    if (bitmap == nullptr) {
        return false;
    }
    wchar_t widePath[MAX_PATH * 2] = {};
    MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, MAX_PATH * 2);
    const Gdiplus::GpStatus status = flat::GdipSaveImageToFile(bitmap, widePath, &clsid, nullptr);
    flat::GdipDisposeImage(bitmap);
    return status == Gdiplus::Ok;
}

// ---------------------------------------------------------------- colour checks

// The checks both platforms share, held to GDI+'s own rendering: no allowance on top.
void checkColours(const Picture& p) {
    editorcolours::checkEditorColours(
        p, [](editorcolours::Kind) { return 0; },
        [](bool ok, const std::string& what) { check(ok, what); });
}

// ---------------------------------------------------------------- lifecycle checks

// Forces full repaints through the real paint path (WM_PAINT, off-screen picture, blit)
// and prints the mean and the fastest frame; the machine may be shared, so the fastest
// is the better estimate of the paint's own cost. Nothing is judged on the times.
void timePaints(HWND editor, int frames) {
    const check::WindowWatch watch(editor);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    double total = 0.0;
    double fastest = 1e9;
    for (int i = 0; i < frames; ++i) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        InvalidateRect(editor, nullptr, FALSE);
        UpdateWindow(editor);
        QueryPerformanceCounter(&end);
        const double ms = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                          static_cast<double>(frequency.QuadPart);
        total += ms;
        fastest = std::min(fastest, ms);
    }
    std::printf("paint: %.2f ms per frame on average, fastest %.2f ms (%d frames, audio "
                "running)\n",
                total / frames, fastest, frames);
    check(watch.paints() >= frames, "every timed frame was a paint (" +
                                        std::to_string(watch.paints()) + " of " +
                                        std::to_string(frames) + ")");
}

// Live GDI objects of this process (plus a constant). Windows reports them through
// GetGuiResources; wine answers 0 there. Wine hands out handle slots from its free list
// before it takes never-used ones, so a probe batch larger than the free list ends in
// fresh slots, and its highest slot index minus the batch size is the live count plus a
// constant. The free list can never exceed the highest slot seen so far, which sizes the
// batch.
DWORD gdiObjects() {
    const DWORD reported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (reported != 0) {
        return reported;
    }
    static DWORD highestSeen = 0;
    const DWORD batch = std::max<DWORD>(4000, highestSeen + 200);
    std::vector<HBRUSH> probe(batch);
    DWORD highest = 0;
    for (HBRUSH& brush : probe) {
        brush = CreateSolidBrush(RGB(1, 2, 3));
        highest = std::max<DWORD>(highest, LOWORD(reinterpret_cast<UINT_PTR>(brush)));
    }
    for (HBRUSH brush : probe) {
        DeleteObject(brush);
    }
    highestSeen = std::max(highestSeen, highest);
    return highest > batch ? highest - batch : 0;
}

// The counter must see objects we create on purpose, or the leak check below proves nothing.
void checkGdiCounter() {
    const DWORD before = gdiObjects();
    HBRUSH held[10];
    for (HBRUSH& brush : held) {
        brush = CreateSolidBrush(RGB(4, 5, 6));
    }
    const DWORD during = gdiObjects();
    for (HBRUSH brush : held) {
        DeleteObject(brush);
    }
    const DWORD after = gdiObjects();
    check(during == before + 10 && after == before,
          "GDI object count sees 10 brushes come and go (" + std::to_string(before) + " -> " +
              std::to_string(during) + " -> " + std::to_string(after) + ")");
}

// Opening and closing must leave no window and no GDI object behind, and the window must
// be gone the moment effEditClose returns (a host may free the parent right after).
void checkOpenClose(AEffect* effect, HWND frame) {
    // After every close the frame repaints where the editor was before the next open, as
    // it does once before the count starts. Left pending into the next open, that paint
    // would meet the new editor over it, and the objects wine makes once for such a paint
    // would pass for a leak of the editor's.
    const check::WindowWatch frameWatch(frame);
    dispatch(effect, effEditClose);
    check(findEditor(frame) == nullptr, "editor window gone after effEditClose");
    check(frameWatch.waitForPaints(1), "host frame repaints where the editor was");
    checkGdiCounter();
    const DWORD before = gdiObjects();
    int lingering = 0;
    bool painting = true;
    for (int i = 0; i < 20; ++i) {
        dispatch(effect, effEditOpen, 0, 0, frame);
        {
            // A few timer ticks and their paints, so whatever a frame would leak piles up.
            const check::WindowWatch watch(findEditor(frame));
            painting = painting && watch.waitForTickedPaints(2);
        }
        dispatch(effect, effEditClose);
        lingering += findEditor(frame) != nullptr ? 1 : 0;
        // After one wait has run out the rest are not waited for: the check below has
        // failed already, and the run must end before the test runner's timeout.
        painting = painting && frameWatch.waitForPaints(1);
    }
    const DWORD after = gdiObjects();
    check(painting, "every reopened editor ticked and painted before it closed, and the "
                    "frame repainted after");
    check(lingering == 0,
          "20 open/close cycles leave no editor window (" + std::to_string(lingering) + " left)");
    check(after <= before, "GDI objects do not grow over 20 open/close cycles (" +
                               std::to_string(before) + " -> " + std::to_string(after) + ")");
}

// ---------------------------------------------------------------- main

void checkEditorGeometry(AEffect* effect, HWND editor) {
    ERect* rect = nullptr;
    dispatch(effect, effEditGetRect, 0, 0, &rect);
    check(rect != nullptr && rect->top == 0 && rect->left == 0 && rect->bottom == kHeight &&
              rect->right == kWidth,
          "effEditGetRect gives 0,0,580,920");
    RECT client{};
    GetClientRect(editor, &client);
    check(client.right == kWidth && client.bottom == kHeight, "editor client area is 920x580");
}

// A new editor window draws its own layer afresh; for the same instance state its picture
// must be the one the old window drew from its kept layer, pixel for pixel. Answers the new
// editor window, left open.
HWND reopenSamePicture(AEffect* effect, HWND frame, const Picture& kept) {
    dispatch(effect, effEditClose);
    dispatch(effect, effEditOpen, 0, 0, frame);
    HWND editor = findEditor(frame);
    check(editor != nullptr, "effEditOpen creates the editor again");
    if (editor == nullptr) {
        return nullptr;
    }
    const check::WindowWatch watch(editor);
    check(settleWithoutTicks(), "reopened editor settles");
    RedrawWindow(editor, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const Picture fresh = captureWindow(editor);
    const std::size_t differing = vst3check::differingPixels(fresh, kept);
    check(watch.paints() > 0 && watch.ticks() == 0 && differing == 0,
          "a reopened editor with a new layer draws the same picture as the kept layer (" +
              std::to_string(watch.paints()) + " paints, " + std::to_string(differing) +
              " pixels differ)");
    return editor;
}

// The picture, taken after a fixed stretch of music has gone through the plug-in and
// before the first animation tick: what the spectrum, the meters and the animated node
// show depends on the music alone, never on how much the machine got done in some time.
// Answers the editor window, left open.
HWND snapshot(AEffect* effect, HWND frame, const char* pngPath, bool checks) {
    dispatch(effect, effEditOpen, 0, 0, frame);
    HWND editor = findEditor(frame);
    check(editor != nullptr, "effEditOpen creates a MorvelTolvaneQEditorWndClass child");
    if (editor == nullptr) {
        return nullptr;
    }
    checkEditorGeometry(effect, editor);
    const check::WindowWatch watch(editor);
    check(settleWithoutTicks(), "windows settle before the music");
    feedProgramme(effect, kCaptureFrames);
    // The paint that shows the music happens here, whatever paints came before it.
    const int paintsBefore = watch.paints();
    RedrawWindow(editor, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    check(watch.paints() > paintsBefore && watch.ticks() == 0,
          "editor painted the music before any animation tick (" +
              std::to_string(watch.paints() - paintsBefore) + " paints, " +
              std::to_string(watch.ticks()) + " ticks)");
    const Picture picture = captureWindow(editor);
    const bool complete = picture.width == kWidth && picture.height == kHeight;
    check(complete, "captured 920x580 pixels");
    check(savePng(picture, pngPath), std::string("saved ") + pngPath);
    if (checks && complete) {
        checkColours(picture);
        editor = reopenSamePicture(effect, frame, picture);
    }
    return editor;
}

// The editor against a live audio thread: the paint copies what it shows under the lock
// the audio thread takes for its blocks, so the paint is timed while blocks are flowing.
void timeLivePaints(HWND editor, const AudioFeed& feed) {
    const bool playing =
        check::pumpUntil([&] { return feed.blocks.load() >= kBlocksBeforeTiming; });
    check(playing, "audio thread processed " + std::to_string(feed.blocks.load()) +
                       " blocks before the paints are timed (want " +
                       std::to_string(kBlocksBeforeTiming) + ")");
    timePaints(editor, 100);
}

// Some hosts tear down their editor frame before they send effEditClose: the child dies
// with it, and the plug-in must cope with the dead handle and then close cleanly.
void closeFrameFirst(AEffect* effect, HWND frame) {
    dispatch(effect, effEditOpen, 0, 0, frame);
    HWND editor = findEditor(frame);
    {
        const check::WindowWatch watch(editor);
        check(watch.waitForTickedPaints(1), "editor ticks and paints before its frame goes");
    }
    DestroyWindow(frame);
    // Timer ticks would arrive here if the timer had survived.
    check(check::pumpTimerTicks(3), "timer ticks served after the frame went");
    check(editor != nullptr && IsWindow(editor) == FALSE, "editor window dies with the host frame");
    dispatch(effect, effEditClose);
}

int run(const char* dllPath, const char* pngPath, bool checks) {
    DeleteFileA(pngPath); // a failed run must not leave an old picture to be inspected
    HMODULE module = LoadLibraryA(dllPath);
    AEffect* effect = module != nullptr ? loadPlugin(module) : nullptr;
    check(effect != nullptr, "plug-in loads and opens");
    HWND frame = effect != nullptr ? createHostFrame() : nullptr;
    check(frame != nullptr, "host frame window created");
    if (effect == nullptr || frame == nullptr) {
        return tally.failed;
    }
    HWND editor = snapshot(effect, frame, pngPath, checks);
    // The music plays on where the picture's stretch ended.
    AudioFeed feed;
    feed.effect = effect;
    feed.firstFrame = kCaptureFrames;
    feed.thread = std::thread(audioLoop, std::ref(feed));
    if (editor != nullptr) {
        timeLivePaints(editor, feed);
    }
    if (checks) {
        checkOpenClose(effect, frame);
        closeFrameFirst(effect, frame);
    } else {
        dispatch(effect, effEditClose);
        DestroyWindow(frame);
    }
    feed.stop.store(true);
    feed.thread.join();
    dispatch(effect, effMainsChanged, 0, 0);
    dispatch(effect, effClose);
    // The record stays allocated after effClose; its link to the freed instance must not.
    check(effect->user == nullptr, "effClose clears the record's user pointer");
    check::deliverQueued();
    FreeLibrary(module);
    return tally.failed;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: editor_snapshot.exe <Tolvane-Q.dll> <out.png> [--check]\n");
        return 1;
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0); // lines must survive a crash or a timeout
    const bool checks = argc > 3 && std::strcmp(argv[3], "--check") == 0;
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    const int failures = run(argv[1], argv[2], checks);
    Gdiplus::GdiplusShutdown(token);
    std::printf("%d passed, %d failed\n", tally.passed, tally.failed);
    return failures == 0 ? 0 : 1; // never the count: it would wrap at 256
}
