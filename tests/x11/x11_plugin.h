// Tolvane-Q.so as a Linux host drives it: loaded through its entry point, kept running
// at 48 kHz in 512-frame blocks, its editor opened in a host window given by X11 id.
#pragma once

#include "tools/plugin_loader.h"

#include <X11/Xlib.h>

#include <string>

class EditorPump;

constexpr float kSampleRate = 48000.0f;
constexpr int kBlock = 512;

// dlopen, the entry point, then effOpen, the rate, the block size and effMainsChanged(1).
bool loadRunningPlugin(const std::string& path, LoadedPlugin& plugin, std::string& error);

// The has-editor flag; a plug-in without it fails here with its flags in the line.
bool checkReportsEditor(AEffect* effect);
// effEditGetRect answers the instance's 920x580 rectangle at 0,0.
void checkEditorRect(AEffect* effect);

// Starts watching paints in `parent` (the editor draws in a child of it), then sends
// effEditOpen with the parent's X11 id in ptr, as a host does; answers what it returned.
VstIntPtr openEditor(AEffect* effect, EditorPump& pump, Window parent);
// The plug-in's window under `parent`, idling until it shows up; 0 after the deadline.
Window findEditorWindow(EditorPump& pump, Display* display, Window parent);
// Both: the editor's window, or 0 when effEditOpen failed or no window came.
Window openEditorIn(AEffect* effect, EditorPump& pump, Display* display, Window parent,
                    VstIntPtr& answer);

// effMainsChanged(0) and effClose; the record outlives the instance, but its link to the
// freed instance must not. The module is unloaded afterwards.
void closeAndUnload(LoadedPlugin& plugin);
