#include "tests/x11/open_close_cycles.h"

#include "tests/x11/x11_check.h"
#include "tests/x11/x11_plugin.h"
#include "tests/x11/x11_resources.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

constexpr int kCycles = 100;
// The first openings fill caches that then stay for the process's life (fontconfig's
// font list, cairo's font and glyph caches, Xlib's locale data) and let the allocator
// grow its arenas to what one editor needs; the counts start after them.
constexpr int kWarmUpCycles = 5;
// Resident memory may end a little above where it started without a leak: glibc keeps
// freed blocks in its arenas, and a hundred cycles leave them fragmented differently.
// 2 MiB over 100 cycles is 20 KiB a cycle; one leaked back buffer (920x580x4, 2 MiB) or
// one leaked font or cairo context per opening soon goes beyond it.
constexpr long kMemorySlackKiB = 2048;

struct CycleTally {
    int opened = 0;
    int painted = 0;
    int lingering = 0;
    XID lastClient = 0; // the connection the last editor's window was made on
};

// Opens the editor, lets it tick and paint a few times so whatever a frame would leak
// piles up, and closes it. Once a wait has run out the rest are not waited for: the
// check has failed already and the run must end before the test runner's timeout.
void cycle(SnapshotContext& c, CycleTally& tally, bool& waiting) {
    VstIntPtr answer = 0;
    const Window editor = openEditorIn(c.effect, c.pump, c.host.display, c.host.parent, answer);
    if (editor != 0) {
        ++tally.opened;
        tally.lastClient = clientOf(c.host.display, editor);
        waiting = waiting && c.pump.waitForPaints(3);
        tally.painted += waiting ? 1 : 0;
    }
    c.pump.unwatch(true);
    dispatch(c.effect, effEditClose);
    XSync(c.host.display, False);
    tally.lingering += childWindows(c.host.display, c.host.parent).empty() ? 0 : 1;
}

// The plug-in opens a connection of its own for each editor and closes it with the
// editor; the server drops a closed connection and its resources when it notices the
// close, in its own time. The counts are read once the last editor's connection is gone
// (or the deadline has passed: the check below then shows the connection left over).
ServerCounts settledCounts(Display* display, XID lastClient) {
    const auto start = std::chrono::steady_clock::now();
    while (lastClient != 0 && clientConnected(display, lastClient) &&
           std::chrono::steady_clock::now() - start < xcheck::kDeadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return serverCounts(display);
}

void report(const CycleTally& tally, const ServerCounts& before, const ServerCounts& after,
            long memoryBefore, long memoryAfter) {
    const std::string n = xcheck::str(kCycles);
    xcheck::check(tally.opened == kCycles,
                  n + " openings made an editor window (" + xcheck::str(tally.opened) + ")");
    xcheck::check(tally.painted == kCycles,
                  "every opened editor painted three times before it closed (" +
                      xcheck::str(tally.painted) + " of " + n + ")");
    xcheck::check(tally.lingering == 0, n +
                                            " open/close cycles leave no window in the host "
                                            "window (" +
                                            xcheck::str(tally.lingering) + " left)");
    xcheck::check(before.valid() && after.clients == before.clients,
                  "X clients back after " + n + " cycles (" + xcheck::str(before.clients) + " -> " +
                      xcheck::str(after.clients) + ")");
    xcheck::check(before.valid() && after.resources == before.resources,
                  "X resources back after " + n + " cycles (" + xcheck::str(before.resources) +
                      " -> " + xcheck::str(after.resources) + ")");
    xcheck::check(memoryBefore > 0 && memoryAfter - memoryBefore <= kMemorySlackKiB,
                  "resident memory within " + xcheck::str(kMemorySlackKiB) + " KiB after " + n +
                      " cycles (" + xcheck::str(memoryBefore) + " -> " + xcheck::str(memoryAfter) +
                      " KiB)");
}

} // namespace

void checkOpenCloseCycles(SnapshotContext& c) {
    CycleTally warmUp;
    bool waiting = true;
    for (int i = 0; i < kWarmUpCycles; ++i) {
        cycle(c, warmUp, waiting);
    }
    const ServerCounts before = settledCounts(c.host.display, warmUp.lastClient);
    const long memoryBefore = residentKiB();
    CycleTally tally;
    for (int i = 0; i < kCycles; ++i) {
        cycle(c, tally, waiting);
    }
    const ServerCounts after = settledCounts(c.host.display, tally.lastClient);
    const long memoryAfter = residentKiB();
    std::printf("open/close cycles: X clients %d -> %d, resources %ld -> %ld, resident %ld -> "
                "%ld KiB\n",
                before.clients, after.clients, before.resources, after.resources, memoryBefore,
                memoryAfter);
    report(tally, before, after, memoryBefore, memoryAfter);
}
