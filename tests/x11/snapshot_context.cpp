#include "tests/x11/snapshot_context.h"

#include "editor/layout.h"
#include "tests/x11/synchronous_displays.h"
#include "tests/x11/x11_check.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

void checkEditorWindow(SnapshotContext& c, Window editor, WindowGeometry& g) {
    const bool known = editor != 0 && windowGeometry(c.host.display, editor, g);
    xcheck::check(
        known && g.x == 0 && g.y == 0 && g.width == kEditorWidth && g.height == kEditorHeight,
        "editor window is 920x580 at 0,0 (" + xcheck::str(g.width) + "x" + xcheck::str(g.height) +
            " at " + xcheck::str(g.x) + "," + xcheck::str(g.y) + ")");
}

Picture capture(SnapshotContext& c, Window source) {
    return captureWindow(c.host.display, source, 0, 0, kEditorWidth, kEditorHeight);
}

} // namespace

FirstPaint openAtFirstPaint(SnapshotContext& c, const char* what) {
    VstIntPtr answer = 0;
    {
        const SynchronousDisplays synchronous;
        answer = openEditor(c.effect, c.pump, c.host.parent);
    }
    const bool painted = answer == 1 && c.pump.waitForPaints(1);
    FirstPaint first;
    // The host's window with the editor in it, as a user sees it.
    first.picture = painted ? capture(c, c.host.parent) : Picture{};
    first.editor = answer == 1 ? findEditorWindow(c.pump, c.host.display, c.host.parent) : 0;
    xcheck::check(answer == 1 && first.editor != 0,
                  std::string("effEditOpen answers 1 (") + xcheck::str(answer) +
                      ") and makes a window in the host window for the " + what);
    xcheck::check(painted, std::string(what) + " painted in its first idle calls");
    WindowGeometry editor, parent;
    checkEditorWindow(c, first.editor, editor);
    windowGeometry(c.host.display, c.host.parent, parent);
    if (painted && first.editor != 0 && editor.depth != parent.depth) {
        // XGetImage leaves out children of another depth; such an editor is captured on
        // its own (no idle call since, so it shows the same paint).
        std::printf("editor window has depth %d, its parent %d: captured on its own\n",
                    editor.depth, parent.depth);
        first.picture = capture(c, first.editor);
    }
    return first;
}

void closeWatchedEditor(SnapshotContext& c, Window editor) {
    c.pump.unwatch(true);
    dispatch(c.effect, effEditClose);
    // A host may free its window as soon as effEditClose returns: whatever the plug-in
    // does to its own window must be done by then, not left in its connection.
    XSync(c.host.display, False);
    const std::vector<Window> left = childWindows(c.host.display, c.host.parent);
    xcheck::check(std::find(left.begin(), left.end(), editor) == left.end(),
                  "editor window gone when effEditClose returns");
}
