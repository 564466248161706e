#include "tests/x11/snapshot_context.h"

#include "editor/layout.h"
#include "tests/x11/x11_check.h"
#include "tests/x11/x11_plugin.h"

#include <algorithm>

Window openWatchedEditor(SnapshotContext& c) {
    VstIntPtr answer = 0;
    const Window editor = openEditorIn(c.effect, c.pump, c.host.display, c.host.parent, answer);
    if (!xcheck::check(answer == 1 && editor != 0, "effEditOpen answers 1 (" + xcheck::str(answer) +
                                                       ") and makes a window in the host window")) {
        return 0;
    }
    c.pump.watch(editor);
    WindowGeometry g;
    const bool known = windowGeometry(c.host.display, editor, g);
    xcheck::check(
        known && g.x == 0 && g.y == 0 && g.width == kEditorWidth && g.height == kEditorHeight,
        "editor window is 920x580 at 0,0 (" + xcheck::str(g.width) + "x" + xcheck::str(g.height) +
            " at " + xcheck::str(g.x) + "," + xcheck::str(g.y) + ")");
    return editor;
}

void closeWatchedEditor(SnapshotContext& c, Window editor) {
    c.pump.unwatch(true);
    dispatch(c.effect, effEditClose);
    // effEditClose may have left requests in the plug-in's connection; whatever it sent
    // before returning is what a host that frees its window right away can rely on.
    XSync(c.host.display, False);
    const std::vector<Window> left = childWindows(c.host.display, c.host.parent);
    xcheck::check(std::find(left.begin(), left.end(), editor) == left.end(),
                  "editor window gone when effEditClose returns");
}
