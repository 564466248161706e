// What a plug-in format newer than VST 2.4 asks of the editor window beyond
// editor/window_system.h: a window drawn at a content scale (the host's display scaling),
// a hook the glue runs after each event the editor handled, and what it needs to serve the
// window from the host's own run loop. Every backend implements it (Win32, X11, and the
// recorder of the native tests).
//
// Sizes and coordinates: the editor always paints and hears its logical 920 x 580 pixels;
// the window has that size times the scale in physical pixels. The backend draws the
// picture through a scaled canvas (pixels of that size, never an enlarged copy) and maps
// pointer positions back to logical pixels before the editor sees them.
#pragma once

#include "editor/editor_events.h"
#include "editor/window_system.h"

#include <cmath>

struct EditorWindowOptions {
    double scale = 1.0; // physical pixels per logical pixel; 1 draws exactly what VST 2.4 does
    // UI thread, with the window's handler running: after every Press, Release, Move, Wheel,
    // Key and Tick delivered to the editor. It must not destroy or rescale the window.
    void (*afterEvent)(void* context) = nullptr;
    void* afterEventContext = nullptr;
};

// The parent-window type of the host's platform this backend embeds into: "HWND" for
// Win32, "X11EmbedWindowID" for X11 (the headless recorder stands in for the latter).
const char* editorParentType();

// UI thread. createEditorWindow with options: the window is logicalWidth x logicalHeight
// scaled (scaledLength) inside `parent`. Null on failure; a scale that is not finite and
// positive counts as 1.
WindowHandle createScaledEditorWindow(WindowHandle parent, int logicalWidth, int logicalHeight,
                                      ModuleHandle module, EditorState* editor,
                                      const EditorWindowOptions& options);

// UI thread. Resizes the window to its logical size at `scale` and repaints it; false for
// a dead handle or a scale that is not finite and positive.
bool setEditorWindowScale(WindowHandle window, double scale);

// The file descriptor of the window's own connection to the window system, to be watched
// for input by the host's run loop; -1 when the backend has none (Win32 windows live on the
// host's message loop) or the handle is dead.
int editorWindowConnectionFd(WindowHandle window);

// The physical length of `logical` pixels at `scale`, rounded to the nearest pixel.
inline int scaledLength(int logical, double scale) {
    return static_cast<int>(std::lround(logical * scale));
}

// The logical pixel that holds the centre of physical pixel `physical`. At scale 1 every
// coordinate stays what it is; negative ones (a captured pointer outside the window) map
// the same way, so a drag keeps its direction.
inline int logicalCoordinate(int physical, double scale) {
    return static_cast<int>(std::floor((physical + 0.5) / scale));
}

// Only the events that carry a pointer position are mapped.
inline bool eventHasPosition(EditorEventKind kind) {
    return kind == EditorEventKind::Press || kind == EditorEventKind::Release ||
           kind == EditorEventKind::Move;
}

// Whether the after-event hook runs for an event of this kind: input and ticks, not the
// window's own Open, Close and Paint.
inline bool eventIsHooked(EditorEventKind kind) {
    return eventHasPosition(kind) || kind == EditorEventKind::Wheel ||
           kind == EditorEventKind::Key || kind == EditorEventKind::Tick;
}

// A usable scale: finite and positive, else 1.
inline double usableScale(double scale) {
    return std::isfinite(scale) && scale > 0.0 ? scale : 1.0;
}
