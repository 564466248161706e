// A hundred editor openings and closings while the audio plays: no window may be left in
// the host window, and the X server's clients and resources and this process's memory
// must come back to where they were.
#pragma once

#include "tests/x11/snapshot_context.h"

// Expects the editor closed; leaves it closed.
void checkOpenCloseCycles(SnapshotContext& c);
