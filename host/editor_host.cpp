#include "host/editor_host.h"

#include "editor/window_system.h"
#include "host/plugin_instance.h"
#include "host/process_state.h"

// The window class is registered once per process and stays registered until the module
// unloads. It counts as registered even when registration failed, so a failing system is
// not asked again on every open; window creation then fails and the open answers 0.
ModuleHandle registerEditorClassOnce() {
    const ModuleHandle module = moduleHandle ? moduleHandle : processModuleHandle();
    std::lock_guard<std::mutex> guard(processStateLock);
    if (!editorClassRegistered) {
        registerEditorWindowClass(module);
        editorClassRegistered = true;
    }
    return module;
}

bool openEditor(PluginInstance& inst, WindowHandle parent) {
    // A host that opens twice without closing would otherwise leave the first window and
    // its timer running with nothing pointing at them.
    closeEditor(inst);
    const ModuleHandle module = registerEditorClassOnce();
    WindowHandle window = createEditorWindow(parent, inst.editor.rect.right,
                                             inst.editor.rect.bottom, module, &inst.editor);
    inst.editor.window.store(window, std::memory_order_relaxed);
    return window != nullptr;
}

void closeEditor(PluginInstance& inst) {
    WindowHandle window = inst.editor.window.load(std::memory_order_relaxed);
    if (window == nullptr || !windowIsAlive(window)) {
        return;
    }
    stopAnimationTimer(window);
    destroyWindow(window);
    inst.editor.window.store(nullptr, std::memory_order_relaxed);
}

void invalidateEditor(PluginInstance& inst) {
    WindowHandle window = inst.editor.window.load(std::memory_order_relaxed);
    if (window != nullptr && windowIsAlive(window)) {
        invalidateWindow(window);
    }
}

void idleEditor(PluginInstance& inst) {
    WindowHandle window = inst.editor.window.load(std::memory_order_relaxed);
    if (window != nullptr && windowIsAlive(window)) {
        pumpEditorWindow(window);
    }
}
