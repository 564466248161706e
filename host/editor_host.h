// The plug-in's side of the editor window's life: opening it under the host's frame,
// closing it, and asking it to repaint after a change made from the host.
#pragma once

struct PluginInstance;
using WindowHandle = void*;
using ModuleHandle = void*;

// UI thread. Opens the editor under `parent`; a window this instance still has open is
// closed first. Returns whether a window was created.
bool openEditor(PluginInstance& inst, WindowHandle parent);

// UI thread. Registers the editor window class the first time any editor opens in this
// process (the module's unload unregisters it) and answers the module that owns it.
ModuleHandle registerEditorClassOnce();

// Stops the animation timer and destroys the editor window if it is still alive. A window
// the host already destroyed (with its parent) is left alone and editor.window unchanged.
void closeEditor(PluginInstance& inst);

// Repaints the whole editor without erasing, if one is open. Call it after releasing
// inst.engine.lock: the window system has locks of its own, and the painting thread takes
// inst.engine.lock while inside a window message, so holding both here could order them wrongly.
void invalidateEditor(PluginInstance& inst);

// UI thread (effEditIdle): lets a backend that owns its window-system connection handle
// the editor's input, animation and repaint.
void idleEditor(PluginInstance& inst);
