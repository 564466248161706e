#include "tests/x11/snapshot_lifecycle.h"

#include "tests/x11/audio_feeds.h"
#include "tests/x11/open_close_cycles.h"
#include "tests/x11/synchronous_displays.h"
#include "tests/x11/x11_check.h"
#include "tests/x11/x11_plugin.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

// Blocks the audio thread must have processed before the paints are timed against it.
constexpr long kBlocksBeforeTiming = 16;
constexpr int kTimedPaints = 100;

// The editor against a live audio thread: the paint copies what it shows under the lock
// the audio thread takes for its blocks. Times the idle calls in which the editor painted
// (what the host's UI thread pays for a frame) and prints the mean and the fastest; the
// machine may be shared, so the fastest is the better estimate. Nothing is judged on the
// times.
void timeLivePaints(SnapshotContext& c, const ProgrammeFeed& feed) {
    const bool playing = c.pump.until([&] { return feed.blocks() >= kBlocksBeforeTiming; });
    xcheck::check(playing, "audio thread processed " + xcheck::str(feed.blocks()) +
                               " blocks before the paints are timed (want " +
                               xcheck::str(kBlocksBeforeTiming) + ")");
    double total = 0.0;
    double fastest = 1e9;
    int timed = 0;
    const auto start = std::chrono::steady_clock::now();
    while (timed < kTimedPaints && std::chrono::steady_clock::now() - start < xcheck::kDeadline) {
        const int before = c.pump.paints();
        const auto roundStart = std::chrono::steady_clock::now();
        c.pump.round();
        const std::chrono::duration<double, std::milli> ms =
            std::chrono::steady_clock::now() - roundStart;
        if (c.pump.paints() > before) {
            total += ms.count();
            fastest = std::min(fastest, ms.count());
            ++timed;
        }
        c.pump.rest();
    }
    std::printf("paint: %.2f ms per painting idle call on average, fastest %.2f ms (%d frames, "
                "audio running)\n",
                timed > 0 ? total / timed : 0.0, fastest, timed);
    xcheck::check(timed >= kTimedPaints, "editor went on painting while the audio played (" +
                                             xcheck::str(timed) + " of " +
                                             xcheck::str(kTimedPaints) + " frames)");
}

// Some hosts tear down their editor window before they send effEditClose: the plug-in's
// window dies with it, and the plug-in must cope with the dead window in its idle calls,
// then close cleanly, all without an X error (which ends many hosts).
//
// Only the plug-in decides what it sends, never the timing: its connection is synchronous
// (no paint of an earlier idle call is still on its way when the window goes), and the
// window's DestroyNotify is in the plug-in's socket before its next idle call.
void closeParentFirst(SnapshotContext& c) {
    VstIntPtr answer = 0;
    Window editor = 0;
    {
        const SynchronousDisplays synchronous;
        editor = openEditorIn(c.effect, c.pump, c.host.display, c.host.parent, answer);
    }
    if (!xcheck::check(editor != 0, "editor opens again for the host-window-first teardown")) {
        return;
    }
    xcheck::check(c.pump.waitForPaints(2), "editor paints before its host window goes");
    c.pump.unwatch(true);
    c.errors.catchUp();
    const int errorsBefore = c.errors.errorsToOthers(c.host.display);
    destroyParentWindow(c.host);
    // The server writes out what it queued for all clients before it reads a request
    // again; a second round trip after the destruction's thus comes back only once the
    // plug-in's DestroyNotify has been written to its connection.
    XSync(c.host.display, False);
    // Animation ticks would come due in these rounds if the plug-in still drew.
    c.pump.forAtLeast(std::chrono::milliseconds(300));
    dispatch(c.effect, effEditClose);
    dispatch(c.effect, effEditIdle);
    c.errors.catchUp();
    const int errors = c.errors.errorsToOthers(c.host.display) - errorsBefore;
    xcheck::check(errors == 0, "the server sent the plug-in no X error after its host window "
                               "went (" +
                                   xcheck::str(errors) + ")");
}

} // namespace

void runLifecycle(SnapshotContext& c, Window editor, bool checks) {
    // The music plays on where the picture's stretch ended.
    const ProgrammeFeed feed(c.effect, kCaptureFrames);
    if (editor != 0) {
        // The picture's editor drew over a synchronous connection; the timed one does not.
        closeWatchedEditor(c, editor);
        VstIntPtr answer = 0;
        editor = openEditorIn(c.effect, c.pump, c.host.display, c.host.parent, answer);
        timeLivePaints(c, feed);
        closeWatchedEditor(c, editor);
    }
    if (checks) {
        checkOpenCloseCycles(c);
        closeParentFirst(c);
    } else {
        destroyParentWindow(c.host);
    }
}

void checkNothingLeft(HostWindow& host, ServerErrorLog& errors, const ServerCounts& beforePlugin) {
    // The server notices a closed connection in its own time: wait for it, not for luck.
    const auto start = std::chrono::steady_clock::now();
    ServerCounts now = serverCounts(host.display);
    while (now.clients != beforePlugin.clients &&
           std::chrono::steady_clock::now() - start < xcheck::kDeadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        now = serverCounts(host.display);
    }
    xcheck::check(now.clients == beforePlugin.clients,
                  "X clients back to where they were before the plug-in (" +
                      xcheck::str(beforePlugin.clients) + " -> " + xcheck::str(now.clients) + ")");
    checkNoXErrors(errors, host.display);
}
