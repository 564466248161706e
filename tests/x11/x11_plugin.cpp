#include "tests/x11/x11_plugin.h"

#include "editor/layout.h"
#include "tests/x11/editor_pump.h"
#include "tests/x11/x11_check.h"
#include "tests/x11/x11_session.h"

#include <cstdint>

bool loadRunningPlugin(const std::string& path, LoadedPlugin& plugin, std::string& error) {
    if (!loadPlugin(path, plugin, error)) {
        return false;
    }
    AEffect* e = plugin.effect;
    dispatch(e, effOpen);
    dispatch(e, effSetSampleRate, 0, 0, nullptr, kSampleRate);
    dispatch(e, effSetBlockSize, 0, kBlock);
    dispatch(e, effMainsChanged, 0, 1);
    return true;
}

bool checkReportsEditor(AEffect* effect) {
    const bool has = (effect->flags & effFlagsHasEditor) != 0;
    return xcheck::check(has, "plug-in reports an editor (flags " + xcheck::str(effect->flags) +
                                  (has ? ")" : ", effFlagsHasEditor missing: no editor on Linux)"));
}

void checkEditorRect(AEffect* effect) {
    ERect* rect = nullptr;
    const VstIntPtr answer = dispatch(effect, effEditGetRect, 0, 0, &rect);
    const bool ok = answer == 1 && rect != nullptr && rect->top == 0 && rect->left == 0 &&
                    rect->bottom == kEditorHeight && rect->right == kEditorWidth;
    std::string seen = "answer " + xcheck::str(answer);
    if (rect != nullptr) {
        seen += ", rect " + xcheck::str(rect->top) + "," + xcheck::str(rect->left) + "," +
                xcheck::str(rect->bottom) + "," + xcheck::str(rect->right);
    }
    xcheck::check(ok, "effEditGetRect gives 0,0,580,920 (" + seen + ")");
}

VstIntPtr openEditor(AEffect* effect, EditorPump& pump, Window parent) {
    pump.watch(parent);
    return dispatch(effect, effEditOpen, 0, 0,
                    reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent)));
}

Window findEditorWindow(EditorPump& pump, Display* display, Window parent) {
    Window editor = 0;
    // The plug-in's requests travel on its own connection: its window may reach the
    // server only once it flushes, at the latest in its next idle.
    pump.until([&] {
        XSync(display, False);
        const std::vector<Window> children = childWindows(display, parent);
        editor = children.empty() ? 0 : children.front();
        return editor != 0;
    });
    return editor;
}

Window openEditorIn(AEffect* effect, EditorPump& pump, Display* display, Window parent,
                    VstIntPtr& answer) {
    answer = openEditor(effect, pump, parent);
    return answer == 1 ? findEditorWindow(pump, display, parent) : 0;
}

void closeAndUnload(LoadedPlugin& plugin) {
    AEffect* e = plugin.effect;
    if (e != nullptr) {
        dispatch(e, effMainsChanged, 0, 0);
        dispatch(e, effClose);
        xcheck::check(e->user == nullptr, "effClose clears the record's user pointer");
        plugin.effect = nullptr; // closed: unloadPlugin must not close it again
    }
    unloadPlugin(plugin);
}
