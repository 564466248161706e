// The editor as a VST 3 view: the same editor window the VST 2.4 build opens, inside the
// host's frame, drawn at the host's content scale. On Linux the window's connection and
// its animation are served from the host's run loop (IRunLoop, asked of the frame); on
// Windows the window lives on the host's message loop as in VST 2.4.
#pragma once

#include "vst3/vst3_abi.h"

struct EditorState;

namespace vst3 {

class TolvanePlugin;

// The editor's logical size: what it paints, and the view's size at content scale 1.
constexpr int32 kViewWidth = 920;
constexpr int32 kViewHeight = 580;
// The content scales the view accepts; a factor outside is clamped to them.
constexpr float kMinContentScale = 1.0f;
constexpr float kMaxContentScale = 4.0f;
// The period the view asks of the host's run loop for the editor's animation.
constexpr uint32 kViewTimerMs = 33;

// UI thread (IEditController::createView). A new view with one reference, for the host;
// it holds a reference to `plugin` until it is destroyed.
IPlugView* createPlugView(TolvanePlugin& plugin);

// What a view needs of the object that made it, so a view can be made over a test's
// stand-in too: something to keep alive while the view lives, the editor state the
// window shows, and the call after every event the editor handled.
struct PlugViewOwner {
    FUnknown* keepAlive = nullptr; // addRef'd by the view, released when it is destroyed
    EditorState* editor = nullptr;
    void (*eventHandled)(void* context) = nullptr;
    void* context = nullptr;
};
// Null when `owner` has no editor.
IPlugView* createPlugViewFor(const PlugViewOwner& owner);

} // namespace vst3
