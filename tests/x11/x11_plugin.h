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

// effEditOpen with the parent's X11 id, then idle rounds until the plug-in's window shows
// up under the parent; answers that window, or 0 when none came (after the deadline).
// `answer` is what effEditOpen returned.
Window openEditorIn(AEffect* effect, EditorPump& pump, Display* display, Window parent,
                    VstIntPtr& answer);

// effMainsChanged(0) and effClose; the record outlives the instance, but its link to the
// freed instance must not. The module is unloaded afterwards.
void closeAndUnload(LoadedPlugin& plugin);
