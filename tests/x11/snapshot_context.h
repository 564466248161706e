// What the picture test's steps share: the running plug-in, the host window and the idle
// pump of the UI thread.
#pragma once

#include "host/vst_abi.h"
#include "tests/x11/editor_pump.h"
#include "tests/x11/server_error_log.h"
#include "tests/x11/x11_picture.h"
#include "tests/x11/x11_plugin.h"
#include "tests/x11/x11_session.h"

#include <cstdint>

struct SnapshotContext {
    AEffect* effect;
    HostWindow& host;
    EditorPump& pump;
    ServerErrorLog& errors;
};

// The music the picture shows: the programme's first 197 blocks (2.1 s), ending a tenth
// of a second after a beat, with its kick and bass note ringing; the same stretch the
// wine picture shows.
constexpr std::uint64_t kCaptureFrames = 197 * kBlock;

struct FirstPaint {
    Window editor = 0;
    Picture picture; // empty when no paint came
};

// Opens the editor and takes its first paint, before the animation has moved on. The
// animation's first tick is due one period (33 ms) after effEditOpen, and nothing on
// screen changes between idle calls, so the first idle comes straight after the opening,
// before anything else this thread does, and the picture is taken before the next. The
// plug-in's connection is synchronous (synchronous_displays.h), so the paint is complete
// on the server when the idle call returns. Checks that the opening made a 920x580 child
// window at 0,0; `what` names the editor in the lines.
FirstPaint openAtFirstPaint(SnapshotContext& c, const char* what);
// Stops watching and sends effEditClose; checks the window is gone when it returns.
void closeWatchedEditor(SnapshotContext& c, Window editor);
