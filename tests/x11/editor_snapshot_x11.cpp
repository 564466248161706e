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
#include "tests/x11/snapshot_context.h"
#include "tests/x11/snapshot_lifecycle.h"
#include "tests/x11/synchronous_displays.h"
#include "tests/x11/x11_errors.h"
#include "tests/x11/x11_plugin.h"
#include "tests/x11/x11_resources.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The first paint of a newly opened editor, captured from the host window: the window
// with the editor in it, as a user sees it. Empty when no paint came.
Picture firstPaint(SnapshotContext& c, Window editor, const char* what) {
    const bool painted = c.pump.waitForPaints(1);
    xcheck::check(painted,
                  std::string(what) + " painted (" + xcheck::str(c.pump.paints()) + " paints)");
    WindowGeometry parent, child;
    windowGeometry(c.host.display, c.host.parent, parent);
    windowGeometry(c.host.display, editor, child);
    // XGetImage leaves out children of another depth; such an editor is captured itself.
    const Window source = child.depth == parent.depth ? c.host.parent : editor;
    if (source == editor) {
        std::printf("editor window has depth %d, its parent %d: captured on its own\n", child.depth,
                    parent.depth);
    }
    return painted ? captureWindow(c.host.display, source, 0, 0, kEditorWidth, kEditorHeight)
                   : Picture{};
}

// A new editor window draws its own layer afresh; for the same instance state its first
// picture must be the one the previous window showed, pixel for pixel.
Window reopenSamePicture(SnapshotContext& c, Window editor, const Picture& kept) {
    closeWatchedEditor(c, editor);
    const SynchronousDisplays synchronous;
    editor = openWatchedEditor(c);
    if (editor == 0) {
        return 0;
    }
    const Picture fresh = firstPaint(c, editor, "reopened editor");
    const std::size_t differing = differingPixels(fresh, kept);
    xcheck::check(differing == 0, "a reopened editor with a new layer draws the same picture (" +
                                      xcheck::str(static_cast<long long>(differing)) +
                                      " pixels differ)");
    return editor;
}

// The picture, taken at the editor's first paint after a fixed stretch of music has gone
// through the plug-in: what the spectrum, the meters and the animated node show depends on
// the music alone, never on how much the machine got done in some time. The music goes
// through before the editor opens (the analyser runs whether or not it is open), and the
// first paint comes in the first idle rounds, before the animation has moved on.
// Answers the editor window, left open.
Window snapshot(SnapshotContext& c, const char* pngPath, bool checks) {
    feedProgramme(c.effect, kCaptureFrames);
    Window editor = 0;
    {
        const SynchronousDisplays synchronous;
        const ServerCounts before = serverCounts(c.host.display);
        editor = openWatchedEditor(c);
        const ServerCounts after = serverCounts(c.host.display);
        std::printf("X clients before effEditOpen: %d, after: %d\n", before.clients, after.clients);
    }
    if (editor == 0) {
        return 0;
    }
    const Picture picture = firstPaint(c, editor, "editor");
    const bool complete = picture.width == kEditorWidth && picture.height == kEditorHeight;
    xcheck::check(complete, "captured 920x580 pixels");
    xcheck::check(savePng(picture, pngPath), std::string("saved ") + pngPath);
    if (checks && complete) {
        checkSolidAreas(picture);
        checkTextAndCurves(picture);
        editor = reopenSamePicture(c, editor, picture);
    }
    return editor;
}

int run(const char* pluginPath, const char* pngPath, bool checks) {
    std::remove(pngPath); // a failed run must not leave an old picture to be inspected
    HostWindow host;
    std::string error;
    const bool opened = openHostDisplay(host, error);
    if (!xcheck::check(opened, error.empty() ? "X display opened" : "X display opened: " + error)) {
        return xcheck::finish();
    }
    xerrors::install(host.display);
    xcheck::check(haveXRes(host.display), "X server has the X-Resource extension");
    const ServerCounts beforePlugin = serverCounts(host.display);
    LoadedPlugin plugin;
    const bool loaded = loadRunningPlugin(pluginPath, plugin, error);
    xcheck::check(loaded,
                  error.empty() ? "plug-in loads and opens" : "plug-in loads and opens: " + error);
    if (!loaded || !checkReportsEditor(plugin.effect)) {
        closeAndUnload(plugin);
        closeHostDisplay(host);
        return xcheck::finish();
    }
    checkEditorRect(plugin.effect);
    xcheck::check(createParentWindow(host), "host window created and mapped");
    WindowGeometry frame;
    xcheck::check(windowGeometry(host.display, host.parent, frame) && frame.width == kEditorWidth &&
                      frame.height == kEditorHeight,
                  "host window is 920x580");
    {
        EditorPump pump(plugin.effect, host.display, host.damageEventBase);
        SnapshotContext c{plugin.effect, host, pump};
        const Window editor = snapshot(c, pngPath, checks);
        runLifecycle(c, editor, checks);
    }
    closeAndUnload(plugin);
    checkNothingLeft(host, beforePlugin);
    closeHostDisplay(host);
    return xcheck::finish();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: x11_editor_snapshot <Tolvane-Q.so> <out.png> [--check]\n");
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0); // lines must survive a crash or a timeout
    const bool checks = argc > 3 && std::strcmp(argv[3], "--check") == 0;
    return run(argv[1], argv[2], checks);
}
