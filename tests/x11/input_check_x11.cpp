// Drives the real editor of Tolvane-Q.so with pointer and key events made by the X server
// (XTEST), as a user would, while a host audio thread keeps processing: drag a band node,
// turn the wheel on it, step the presets, drag two knobs, press the bypass button, add a
// band with a double click and remove it with Delete. Band edits are checked by what they
// do to the sound (the level of a test tone through the plug-in), knob and button edits
// through getParameter and the dispatcher's parameter texts, as the wine input test does
// for the DLL.
//
//     x11_input_check <Tolvane-Q.so>
//
// Prints one line per check and "N passed, N failed"; the exit code is the number of
// failures.
#include "tests/x11/audio_feeds.h"
#include "tests/x11/editor_pump.h"
#include "tests/x11/input_gestures.h"
#include "tests/x11/server_error_log.h"
#include "tests/x11/x11_check.h"
#include "tests/x11/x11_errors.h"
#include "tests/x11/x11_plugin.h"
#include "tests/x11/x11_session.h"
#include "tests/x11/xtest_input.h"

#include <cstdio>
#include <string>

namespace {

// Nobody may hold the pointer once the gestures are over: a grab left behind by the
// editor would keep every other window of the desktop from the mouse.
bool pointerFree(Display* display, Window window) {
    const int grabbed = XGrabPointer(display, window, False, ButtonPressMask, GrabModeAsync,
                                     GrabModeAsync, None, None, CurrentTime);
    if (grabbed == GrabSuccess) {
        XUngrabPointer(display, CurrentTime);
    }
    XSync(display, False);
    return grabbed == GrabSuccess;
}

void runGestures(AEffect* effect, HostWindow& host, EditorPump& pump, Window editor) {
    ToneFeed feed(effect);
    XTestInput input(host.display, editor, pump);
    InputContext c{effect, host.display, editor, pump, feed, input};
    // The editor is up and running (painting, and painting again on its animation tick)
    // before the first gesture.
    xcheck::check(pump.waitForPaints(2), "editor painted twice before the first gesture");
    const double base1k = levelDb(feed, pump, 1000.0f);
    const double base16k = levelDb(feed, pump, 16000.0f);
    checkNodeDragAndWheel(c, base1k);
    checkPresetBox(c, base1k, base16k);
    checkKnobs(c);
    checkBypass(c);
    checkDoubleClickAndDelete(c);
    xcheck::check(pointerFree(host.display, host.parent), "no pointer grab left behind");
}

// The plug-in, running and with an editor, in a host window on a display whose errors are
// recorded.
bool setUp(HostWindow& host, ServerErrorLog& errors, LoadedPlugin& plugin, const char* path) {
    std::string error;
    const bool opened = openHostDisplay(host, error) && errors.start(error);
    if (!xcheck::check(opened, error.empty() ? "X display opened" : "X display: " + error)) {
        return false;
    }
    xerrors::install(host.display);
    const bool loaded = loadRunningPlugin(path, plugin, error);
    xcheck::check(loaded,
                  error.empty() ? "plug-in loads and opens" : "plug-in loads and opens: " + error);
    return loaded && checkReportsEditor(plugin.effect) &&
           xcheck::check(createParentWindow(host), "host window created and mapped");
}

int run(const char* pluginPath) {
    HostWindow host;
    ServerErrorLog errors;
    LoadedPlugin plugin;
    if (setUp(host, errors, plugin, pluginPath)) {
        EditorPump pump(plugin.effect, host.display, host.damageEventBase);
        VstIntPtr answer = 0;
        const Window editor = openEditorIn(plugin.effect, pump, host.display, host.parent, answer);
        if (xcheck::check(answer == 1 && editor != 0, "editor opened in the host window")) {
            runGestures(plugin.effect, host, pump, editor);
        }
        pump.unwatch(true);
        dispatch(plugin.effect, effEditClose);
    }
    closeAndUnload(plugin);
    if (host.display != nullptr) {
        checkNoXErrors(errors, host.display);
    }
    destroyParentWindow(host);
    closeHostDisplay(host);
    return xcheck::finish();
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc != 2) {
        std::printf("usage: x11_input_check <Tolvane-Q.so>\n");
        return 1;
    }
    return run(argv[1]);
}
