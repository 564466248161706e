// What the editor hears from its window, already decoded by the platform backend: no
// window-system message numbers or parameter packing reach the editor. Each backend
// translates its own input (Win32 messages, X11 events, a test's script) into these.
#pragma once

#include <cstdint>

struct Canvas;
struct EditorState;
using WindowHandle = void*;

enum class EditorEventKind : int {
    Open,    // the window exists; the editor starts its animation timer
    Close,   // the window is going away; the editor stops its timer
    Press,   // left button down at (x, y), at `time`
    Release, // left button up
    Move,    // pointer at (x, y), with or without a button held
    Wheel,   // `wheelSteps` notches
    Key,     // a key went down
    Tick,    // the animation timer fired (about every 33 ms)
    Paint,   // draw the whole picture on `canvas`, `width` x `height`
};

enum class EditorKey : int { Other, Delete };

struct EditorEvent {
    EditorEventKind kind = EditorEventKind::Tick;
    // Press and Move: client pixels. Negative or beyond the window while the pointer is
    // captured outside it.
    int x = 0;
    int y = 0;
    // Press: milliseconds on a clock of the platform's choosing that wraps at 2^32; only
    // differences between presses matter (the double-click rule).
    std::uint32_t time = 0;
    // Wheel: notches, positive away from the user. A partial notch counts as one.
    int wheelSteps = 0;
    EditorKey key = EditorKey::Other;
    // Paint.
    Canvas* canvas = nullptr;
    int width = 0;
    int height = 0;
};

// UI thread: the thread that opened the window. Answers false for an event the editor
// ignores (the platform may then do its default).
bool handleEditorEvent(WindowHandle window, EditorState& editor, const EditorEvent& event);
