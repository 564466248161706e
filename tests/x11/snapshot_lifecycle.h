// The picture test's checks of the editor's life: painting while an audio thread plays,
// opening and closing it a hundred times, a host window destroyed under it, and what is
// left on the X server once the plug-in is gone.
#pragma once

#include "tests/x11/snapshot_context.h"
#include "tests/x11/x11_resources.h"

// Takes over the open `editor` (0 when none opened) and closes it; with `checks`, runs the
// open/close cycles and the host-window-first teardown. Plays the music on from the
// picture's stretch on an audio thread throughout.
void runLifecycle(SnapshotContext& c, Window editor, bool checks);

// After the plug-in is unloaded: its connections are gone from the server, and neither it
// nor the host made an X protocol error.
void checkNothingLeft(HostWindow& host, ServerErrorLog& errors, const ServerCounts& beforePlugin);
