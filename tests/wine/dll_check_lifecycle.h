// DLL check row "lifecycle": what is left of a closed instance, instances opened and closed
// in mixed orders (the first starts GDI+, the last ends it), the editor as a real child
// window of a host frame, and unloading the module.
#pragma once

#include "tests/wine/check_support.h"
#include "tests/wine/dll_check_record.h"

#include <thread>

namespace rows {

constexpr char kEditorClass[] = "MorvelTolvaneQEditorWndClass";

inline void checkClosedInstance(Entry entry) {
    AEffect* e = entry(hostCallback);
    if (!check::expect(e != nullptr, "lifecycle", "no instance")) {
        return;
    }
    check::expect(check::dispatch(e, effClose) == 1, "lifecycle", "effClose answer");
    check::expect(e->user == nullptr, "lifecycle", "user not cleared by effClose");
    check::expect(e->magic == kEffectMagic, "lifecycle", "record not kept after effClose");
    for (int i = -1; i < 6; ++i) {
        e->setParameter(e, i, 0.3f);
        check::expect(e->getParameter(e, i) == 0.0f, "lifecycle",
                      "closed getter index " + check::str(i) + " not 0");
    }
    float in[64], out[64];
    for (int i = 0; i < 64; ++i) {
        in[i] = 0.5f;
        out[i] = -7.0f;
    }
    float* inputs[2] = {in, in};
    float* outputs[2] = {out, out + 32};
    e->processReplacing(e, inputs, outputs, 32);
    check::expect(out[0] == -7.0f && out[63] == -7.0f, "lifecycle", "closed instance processed");
    check::expectText(e, "lifecycle", effGetEffectName, 0, "Tolvane-Q", 32);
    check::expectText(e, "lifecycle", effGetParamName, 0, "Output Trim", 16);
    const check::TextAnswer display = check::askText(e, effGetParamDisplay, 0);
    check::expect(display.answer == 0, "lifecycle", "closed display answered");
    HWND desktop = GetDesktopWindow();
    check::expect(check::dispatch(e, effEditOpen, 0, 0, desktop) == 0, "lifecycle",
                  "closed effEditOpen answered");
    ERect* rect = nullptr;
    check::expect(check::dispatch(e, effEditGetRect, 0, 0, &rect) == 0, "lifecycle",
                  "closed effEditGetRect answered");
    for (std::int32_t op :
         {effClose, effSetSampleRate, effSetBlockSize, effEditClose, effSetBypass}) {
        check::expect(check::dispatch(e, op, 0, 1, nullptr, 44100.0f) == 1, "lifecycle",
                      "closed opcode " + check::str(op) + " must answer 1");
    }
}

// Opens instances and closes them in an order given as a string: an upper-case letter
// opens that instance, a lower-case letter closes it.
inline void runOrder(Entry entry, const char* order) {
    AEffect* open[26] = {};
    for (const char* c = order; *c != '\0'; ++c) {
        if (*c >= 'A' && *c <= 'Z') {
            open[*c - 'A'] = entry(hostCallback);
            check::expect(open[*c - 'A'] != nullptr, "lifecycle", std::string("open ") + *c);
        } else if (AEffect* e = open[*c - 'a']) {
            check::expect(check::dispatch(e, effClose) == 1 && e->user == nullptr, "lifecycle",
                          std::string("close ") + *c + " in " + order);
        }
    }
}

inline void checkInstanceOrders(Entry entry) {
    runOrder(entry, "ABCbaDcd"); // first-opened closed last but one
    runOrder(entry, "ABab");     // in opening order
    runOrder(entry, "ABba");     // in reverse order
    runOrder(entry, "AaBbCc");   // GDI+ started and ended three times
    runOrder(entry, "ABCDEFcafedb");
}

inline HWND makeHostFrame() {
    static const char* className = [] {
        WNDCLASSA frame{};
        frame.lpfnWndProc = DefWindowProcA;
        frame.hInstance = GetModuleHandleA(nullptr);
        frame.lpszClassName = "TolvaneDllCheckFrame";
        frame.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        RegisterClassA(&frame);
        return "TolvaneDllCheckFrame";
    }();
    return CreateWindowExA(0, className, "host frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1000,
                           700, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

inline void checkEditorClass(HMODULE dll) {
    WNDCLASSA info{};
    if (!check::expect(GetClassInfoA(dll, kEditorClass, &info) != 0, "lifecycle",
                       "editor class not registered with the DLL's module handle")) {
        return;
    }
    check::expect(info.style == 0, "lifecycle", "class style " + check::str(info.style));
    check::expect(info.cbClsExtra == 0 && info.cbWndExtra == 0, "lifecycle", "extra bytes");
    check::expect(info.hbrBackground == nullptr, "lifecycle", "class has a background brush");
    check::expect(info.hCursor == LoadCursorA(nullptr, IDC_ARROW), "lifecycle", "cursor");
}

inline void checkEditorWindow(HWND frame, HWND editor, HMODULE dll) {
    char title[64] = {};
    GetWindowTextA(editor, title, sizeof title);
    check::expect(std::string(title) == "Morvel Tolvane-Q", "lifecycle",
                  std::string("title \"") + title + "\"");
    RECT client{};
    GetClientRect(editor, &client);
    check::expect(client.right == 920 && client.bottom == 580, "lifecycle",
                  "client " + check::str(client.right) + "x" + check::str(client.bottom));
    const auto style = static_cast<DWORD>(GetWindowLongPtrA(editor, GWL_STYLE));
    check::expect((style & 0xFFFF0000u) == 0x56000000u, "lifecycle",
                  "style " + check::str(static_cast<long long>(style)));
    check::expect(GetParent(editor) == frame, "lifecycle", "editor is not the frame's child");
    check::expect(reinterpret_cast<HMODULE>(GetWindowLongPtrA(editor, GWLP_HINSTANCE)) == dll,
                  "lifecycle", "window not created with the DLL's module handle");
    // Once the timer has ticked and the window has painted, the GDI+ picture is on screen.
    const check::WindowWatch watch(editor);
    check::expect(watch.waitForTickedPaints(1), "lifecycle", "editor never ticked and painted");
    const std::size_t colours = check::distinctColours(editor);
    check::expect(colours >= 16, "lifecycle",
                  "editor shows " + check::str(static_cast<long long>(colours)) + " colours");
}

inline HWND openEditor(AEffect* e, HWND frame) {
    check::expect(check::dispatch(e, effEditOpen, 0, 0, frame) == 1, "lifecycle",
                  "effEditOpen answer");
    return FindWindowExA(frame, nullptr, kEditorClass, nullptr);
}

inline void checkEditor(Entry entry, HMODULE dll) {
    AEffect* e = entry(hostCallback);
    HWND frame = makeHostFrame();
    if (!check::expect(e != nullptr && frame != nullptr, "lifecycle", "no instance or frame")) {
        return;
    }
    HWND editor = openEditor(e, frame);
    if (check::expect(editor != nullptr, "lifecycle", "no editor window in the frame")) {
        checkEditorClass(dll);
        checkEditorWindow(frame, editor, dll);
    }
    check::expect(check::dispatch(e, effEditClose) == 1 && !IsWindow(editor), "lifecycle",
                  "effEditClose left the window");
    check::expect(check::dispatch(e, effEditClose) == 1, "lifecycle", "second effEditClose");
    // The host destroys its frame first; closing afterwards must find nothing to do.
    editor = openEditor(e, frame);
    DestroyWindow(frame);
    check::expect(editor != nullptr && !IsWindow(editor), "lifecycle", "child outlived frame");
    check::expect(check::dispatch(e, effEditClose) == 1, "lifecycle", "close after frame died");
    // effClose with the editor still open, ticking and painting, takes the window with it.
    frame = makeHostFrame();
    editor = openEditor(e, frame);
    {
        const check::WindowWatch watch(editor);
        check::expect(watch.waitForTickedPaints(1), "lifecycle", "reopened editor never painted");
    }
    check::expect(check::dispatch(e, effClose) == 1 && editor != nullptr && !IsWindow(editor),
                  "lifecycle", "effClose left the editor window");
    // Stray timer or paint messages must not reach the instance.
    check::expect(check::pumpTimerTicks(3), "lifecycle", "no timer ticks after effClose");
    DestroyWindow(frame);
}

// A window of the editor class that carries no instance (as after WM_DESTROY, or when a
// stray creation passes none) answers everything through the default procedure.
inline void checkWindowWithoutInstance(HMODULE dll) {
    HWND stray = CreateWindowExA(0, kEditorClass, "stray", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr,
                                 dll, nullptr);
    if (!check::expect(stray != nullptr, "lifecycle", "no window of the editor class")) {
        return;
    }
    for (UINT msg : {WM_TIMER, WM_PAINT, WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_KEYDOWN, WM_LBUTTONUP}) {
        SendMessageA(stray, msg, msg == WM_KEYDOWN ? VK_DELETE : 1, MAKELPARAM(10, 10));
    }
    check::expect(check::deliverQueued(), "lifecycle", "stray window's messages not delivered");
    check::expect(IsWindow(stray) != FALSE, "lifecycle", "stray editor window died");
    DestroyWindow(stray);
}

// A client area of zero size paints nothing and breaks nothing: the editor draws again
// once it has its size back.
inline void checkZeroSizePaint(Entry entry) {
    AEffect* e = entry(hostCallback);
    HWND frame = makeHostFrame();
    HWND editor = e != nullptr && frame != nullptr ? openEditor(e, frame) : nullptr;
    if (!check::expect(editor != nullptr, "lifecycle", "no editor for the zero-size paint")) {
        return;
    }
    const check::WindowWatch watch(editor);
    SetWindowPos(editor, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOZORDER);
    RedrawWindow(editor, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    // The animation keeps invalidating the empty client area for a few ticks.
    check::expect(watch.waitForTicks(3), "lifecycle", "no timer ticks at zero size");
    check::expect(IsWindow(editor) != FALSE, "lifecycle", "zero-size paint lost the window");
    SetWindowPos(editor, nullptr, 0, 0, 920, 580, SWP_NOMOVE | SWP_NOZORDER);
    check::expect(watch.waitForPaints(1), "lifecycle", "no paint once the size is back");
    check::expect(check::distinctColours(editor) >= 16, "lifecycle",
                  "editor does not paint again after a zero-size client area");
    check::dispatch(e, effClose);
    DestroyWindow(frame);
}

// Some hosts close the instance from a worker thread while the editor lives on the UI
// thread. The window cannot be destroyed from there; it must go inert at once (no timer
// tick may reach the freed instance) and disappear when its own thread runs again.
inline void checkCloseFromAnotherThread(Entry entry) {
    AEffect* e = entry(hostCallback);
    HWND frame = makeHostFrame();
    if (!check::expect(e != nullptr && frame != nullptr, "lifecycle", "no instance or frame")) {
        return;
    }
    HWND editor = openEditor(e, frame);
    {
        const check::WindowWatch watch(editor);
        check::expect(watch.waitForTickedPaints(1), "lifecycle", "editor never painted");
    }
    std::thread closer([e] { check::dispatch(e, effClose); });
    closer.join();
    check::expect(e->user == nullptr, "lifecycle", "effClose on a worker left user set");
    // The window goes once its own thread handles what the close left for it; timer
    // ticks and paints until then, and after, would touch the freed instance.
    const bool gone = check::pumpUntil([&] { return IsWindow(editor) == FALSE; });
    check::expect(editor != nullptr && gone, "lifecycle",
                  "editor closed from a worker thread is still alive");
    check::expect(check::pumpTimerTicks(3), "lifecycle", "no timer ticks after the close");
    DestroyWindow(frame);
}

// Unloading with a leaked instance: the module goes, its window class with it.
inline void checkUnload(Entry entry, HMODULE dll) {
    AEffect* leaked = entry(hostCallback);
    check::expect(leaked != nullptr, "lifecycle", "no instance before unload");
    check::expect(hostCalls() == 0, "lifecycle",
                  "plug-in called the host " + check::str(hostCalls()) + " times");
    check::expect(FreeLibrary(dll) != 0, "lifecycle", "FreeLibrary failed");
    check::expect(GetModuleHandleA("Tolvane-Q.dll") == nullptr, "lifecycle", "DLL still loaded");
    WNDCLASSA info{};
    check::expect(GetClassInfoA(dll, kEditorClass, &info) == 0, "lifecycle",
                  "editor class still registered after unload");
}

} // namespace rows
