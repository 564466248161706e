// One plug-in instance as the host knows it: the engine side, the editor's state and the
// host's record, composed.
//
// Who owns what:
// - `engine` (dsp/instance_engine.h): its editing side belongs to whichever UI or host
//   thread holds engine.lock; its audio engine to the host's audio thread alone, which
//   never waits for the lock (see that header).
// - `editor` (editor/editor_state.h): the UI thread that opened the editor; host threads
//   read only its window handle, to ask for a repaint.
// - `effect`, `hostCallback`, `editorRect`: written while the instance is created or by
//   the dispatcher's editor calls (UI thread), read by the dispatcher. The AEffect record
//   itself outlives the instance (host/record_gate.h) so that a late call finds no
//   instance rather than a freed one.
#pragma once

#include "dsp/instance_engine.h"
#include "editor/editor_state.h"
#include "host/vst_abi.h"

struct PluginInstance {
    explicit PluginInstance(HostCallback callback);
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    InstanceEngine engine;
    EditorState editor{engine};

    AEffect* effect = nullptr;
    HostCallback hostCallback = nullptr;
    ERect editorRect{}; // what effEditGetRect hands out: the editor's size
};
