// The view over a whole plug-in: kept apart from the view itself, so the view's tests need
// no plug-in.
#include "vst3/plug_view.h"
#include "vst3/plugin.h"

namespace vst3 {

namespace {

void pluginEventHandled(void* context) {
    static_cast<TolvanePlugin*>(context)->editorEventHandled();
}

} // namespace

IPlugView* createPlugView(TolvanePlugin& plugin) {
    if (plugin.inst == nullptr) {
        return nullptr;
    }
    PlugViewOwner owner;
    owner.keepAlive = static_cast<IComponent*>(&plugin);
    owner.editor = &plugin.inst->editor;
    owner.eventHandled = pluginEventHandled;
    owner.context = &plugin;
    return createPlugViewFor(owner);
}

} // namespace vst3
