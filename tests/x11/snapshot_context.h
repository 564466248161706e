// What the picture test's steps share: the running plug-in, the host window and the idle
// pump of the UI thread.
#pragma once

#include "host/vst_abi.h"
#include "tests/x11/editor_pump.h"
#include "tests/x11/x11_plugin.h"
#include "tests/x11/x11_session.h"

#include <cstdint>

struct SnapshotContext {
    AEffect* effect;
    HostWindow& host;
    EditorPump& pump;
};

// The music the picture shows: the programme's first 197 blocks (2.1 s), ending a tenth
// of a second after a beat, with its kick and bass note ringing; the same stretch the
// wine picture shows.
constexpr std::uint64_t kCaptureFrames = 197 * kBlock;

// Opens the editor in the host window and starts watching its paints; checks that the
// plug-in's window is a 920x580 child at 0,0. Answers the window, or 0.
Window openWatchedEditor(SnapshotContext& c);
// Stops watching and sends effEditClose; checks the window is gone when it returns.
void closeWatchedEditor(SnapshotContext& c, Window editor);
