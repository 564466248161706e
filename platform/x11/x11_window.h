// One editor window of the X11 backend and everything kept for it: its own display
// connection, the X window, the paint surfaces, the editor's layer.
//
// Threads. The window's handlers, its pump and its release run with `gate` held, so a
// host thread that closes the window waits for a pump in progress on the UI thread. What
// any thread may ask of a window (a repaint, the animation timer) lives in its slot's
// flags: atomics in a table that is never freed, reached from the handle without a lock,
// so a host thread (even the audio thread, for a parameter change) never waits and never
// touches X or Cairo.
#pragma once

#include "editor/editor_events.h"
#include "platform/editor_window_options.h"

#include <X11/Xlib.h>
#include <cairo.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

struct CanvasLayer;

// The animation timer's period: about 30 pictures a second.
constexpr std::int64_t kX11TickNs = 33'000'000;

struct X11WindowFlags {
    std::atomic<bool> invalidated{false};
    std::atomic<bool> animating{false};
    std::atomic<std::int64_t> lastTickNs{0}; // steady clock
};

struct X11Window {
    std::mutex gate;
    bool closed = false; // released; set with `gate` held

    WindowHandle handle = nullptr;
    X11WindowFlags* flags = nullptr;
    EditorState* editor = nullptr;

    Display* display = nullptr;
    ::Window window = 0;
    bool windowGone = false; // the server destroyed it (its parent went first)
    int width = 0;           // physical pixels
    int height = 0;
    bool exposed = false; // repaint owed to the server
    // Physical pixels per logical one, and the hook after each event (editor_window_options.h).
    double scale = 1.0;
    EditorWindowOptions options{};
    // The animation tick's due time. A window paced by the host's own timer at the tick's
    // period gets some slack, or a timer that fires a little early would skip every other
    // picture.
    std::int64_t tickPeriodNs = kX11TickNs;

    cairo_surface_t* backBuffer = nullptr;    // the picture is built here
    cairo_surface_t* windowSurface = nullptr; // and copied here
    CanvasLayer* layer = nullptr;
};

// The registry of live windows (x11_window_registry.cpp). Adding gives the window its
// handle and slot; null when the table is full.
WindowHandle addX11Window(const std::shared_ptr<X11Window>& window);
std::shared_ptr<X11Window> findX11Window(WindowHandle handle);
// Removes the window from the registry: later lookups and flags miss it.
std::shared_ptr<X11Window> takeX11Window(WindowHandle handle);
// The flags of a live window's slot, without a lock; null for a dead handle.
X11WindowFlags* x11WindowFlags(WindowHandle handle);
std::int64_t steadyNowNs();

// UI thread (x11_window_lifecycle.cpp): the window of createEditorWindow and
// createScaledEditorWindow, width x height physical pixels.
WindowHandle openEditorWindow(WindowHandle parent, int width, int height, EditorState* editor,
                              const EditorWindowOptions& options);

// The editor's side (x11_window_pump.cpp): delivers one event; never throws.
bool deliverToEditor(X11Window& window, const EditorEvent& event);
// Delivers input or a tick at physical coordinates: mapped to logical ones, and followed by
// the after-event hook.
void deliverInput(X11Window& window, EditorEvent event);

// Painting (x11_window_paint.cpp): the editor draws into the back buffer, which is then
// copied to the window.
void paintX11Window(X11Window& window);
void releasePaintSurfaces(X11Window& window);
