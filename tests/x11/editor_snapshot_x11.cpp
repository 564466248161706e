// Opens the real editor of Tolvane-Q.so in a host window on an X display like a Linux DAW
// would, feeds the plug-in a fixed stretch of music so the spectrum and meters show it,
// and saves what the host window shows as a PNG. With --check it also compares fixed
// pixels with the editor's colours, repaints the editor while an audio thread plays on,
// and opens and closes the editor repeatedly to catch leaked windows, X resources,
// connections and memory.
//
//     x11_editor_snapshot <Tolvane-Q.so> <out.png> [--check]
//
// Prints one line per check and "N passed, N failed"; the exit code is the failure count.
#include "editor/layout.h"
#include "tests/x11/audio_feeds.h"
#include "tests/x11/picture_checks.h"
#include "tests/x11/server_error_log.h"
#include "tests/x11/snapshot_context.h"
#include "tests/x11/snapshot_lifecycle.h"
#include "tests/x11/x11_errors.h"
#include "tests/x11/x11_plugin.h"
#include "tests/x11/x11_resources.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// A new editor window draws its own layer afresh; for the same instance state its first
// picture must be the one the previous window showed, pixel for pixel.
Window reopenSamePicture(SnapshotContext& c, Window editor, const Picture& kept) {
    closeWatchedEditor(c, editor);
    const FirstPaint fresh = openAtFirstPaint(c, "reopened editor");
    const std::size_t differing = differingPixels(fresh.picture, kept);
    xcheck::check(differing == 0, "a reopened editor with a new layer draws the same picture (" +
                                      xcheck::str(static_cast<long long>(differing)) +
                                      " pixels differ)");
    return fresh.editor;
}

// The picture, taken at the editor's first paint after a fixed stretch of music has gone
// through the plug-in: what the spectrum, the meters and the animated node show depends on
// the music alone, never on how much the machine got done in some time. The music goes
// through before the editor opens (the analyser runs whether or not it is open).
// Answers the editor window, left open.
Window snapshot(SnapshotContext& c, const char* pngPath, bool checks) {
    feedProgramme(c.effect, kCaptureFrames);
    const ServerCounts before = serverCounts(c.host.display);
    const FirstPaint first = openAtFirstPaint(c, "editor");
    std::printf("X clients before effEditOpen: %d, after: %d\n", before.clients,
                serverCounts(c.host.display).clients);
    const Picture& picture = first.picture;
    const bool complete = picture.width == kEditorWidth && picture.height == kEditorHeight;
    xcheck::check(complete, "captured 920x580 pixels");
    xcheck::check(savePng(picture, pngPath), std::string("saved ") + pngPath);
    if (checks && complete) {
        checkColours(picture);
        return reopenSamePicture(c, first.editor, picture);
    }
    return first.editor;
}

// Opens the host's display and starts recording what the server sends every client.
bool openDisplay(HostWindow& host, ServerErrorLog& errors) {
    std::string error;
    const bool opened = openHostDisplay(host, error) && errors.start(error);
    xcheck::check(opened, error.empty() ? "X display opened" : "X display: " + error);
    if (opened) {
        xerrors::install(host.display);
        xcheck::check(haveXRes(host.display), "X server has the X-Resource extension");
    }
    return opened;
}

// The plug-in, running and with an editor, and the host window for it.
bool setUp(HostWindow& host, LoadedPlugin& plugin, const char* pluginPath) {
    std::string error;
    const bool loaded = loadRunningPlugin(pluginPath, plugin, error);
    xcheck::check(loaded,
                  error.empty() ? "plug-in loads and opens" : "plug-in loads and opens: " + error);
    if (!loaded || !checkReportsEditor(plugin.effect)) {
        return false;
    }
    checkEditorRect(plugin.effect);
    xcheck::check(createParentWindow(host), "host window created and mapped");
    WindowGeometry frame;
    xcheck::check(windowGeometry(host.display, host.parent, frame) && frame.width == kEditorWidth &&
                      frame.height == kEditorHeight,
                  "host window is 920x580");
    return true;
}

int run(const char* pluginPath, const char* pngPath, bool checks) {
    std::remove(pngPath); // a failed run must not leave an old picture to be inspected
    HostWindow host;
    ServerErrorLog errors;
    if (!openDisplay(host, errors)) {
        return xcheck::finish();
    }
    const ServerCounts beforePlugin = serverCounts(host.display);
    LoadedPlugin plugin;
    if (setUp(host, plugin, pluginPath)) {
        EditorPump pump(plugin.effect, host.display, host.damageEventBase);
        SnapshotContext c{plugin.effect, host, pump, errors};
        const Window editor = snapshot(c, pngPath, checks);
        runLifecycle(c, editor, checks);
    }
    closeAndUnload(plugin);
    checkNothingLeft(host, errors, beforePlugin);
    destroyParentWindow(host);
    closeHostDisplay(host);
    return xcheck::finish();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: x11_editor_snapshot <Tolvane-Q.so> <out.png> [--check]\n");
        return 1;
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0); // lines must survive a crash or a timeout
    const bool checks = argc > 3 && std::strcmp(argv[3], "--check") == 0;
    return run(argv[1], argv[2], checks);
}
