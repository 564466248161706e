// Stand-ins for what a VST 3 host hands the editor view: something the view keeps alive
// (the plug-in), and the host's frame with its run loop. Each counts what was done to it.
#pragma once

#include "vst3/vst3_abi.h"

#include <map>
#include <vector>

namespace viewtest {

// A reference-counted object that is never deleted by its count: the test reads it.
class CountedUnknown final : public vst3::FUnknown {
  public:
    vst3::tresult queryInterface(const vst3::TUID iid, void** obj) override {
        *obj = nullptr;
        if (!vst3::sameUid(iid, vst3::kFUnknownIid)) {
            return vst3::kNoInterface;
        }
        *obj = this;
        addRef();
        return vst3::kResultOk;
    }
    vst3::uint32 addRef() override { return static_cast<vst3::uint32>(++refs); }
    vst3::uint32 release() override { return static_cast<vst3::uint32>(--refs); }

    int refs = 1;
};

// The host's frame; with `hasRunLoop` it also answers IRunLoop, as Linux hosts do.
class FakeFrame final : public vst3::IPlugFrame, public vst3::IRunLoop {
  public:
    explicit FakeFrame(bool withRunLoop = true) : hasRunLoop(withRunLoop) {}

    vst3::tresult queryInterface(const vst3::TUID iid, void** obj) override {
        *obj = nullptr;
        if (vst3::sameUid(iid, vst3::kFUnknownIid) || vst3::sameUid(iid, vst3::kIPlugFrameIid)) {
            *obj = static_cast<vst3::IPlugFrame*>(this);
        } else if (hasRunLoop && vst3::sameUid(iid, vst3::kIRunLoopIid)) {
            *obj = static_cast<vst3::IRunLoop*>(this);
        } else {
            return vst3::kNoInterface;
        }
        ++refs;
        return vst3::kResultOk;
    }
    vst3::uint32 addRef() override { return static_cast<vst3::uint32>(++refs); }
    vst3::uint32 release() override { return static_cast<vst3::uint32>(--refs); }

    // IPlugFrame: records the request; a real host then resizes and calls onSize.
    vst3::tresult resizeView(vst3::IPlugView* view, vst3::ViewRect* newSize) override {
        resizedViews.push_back(view);
        resizes.push_back(*newSize);
        if (view != nullptr && resizeAnswersOnSize) {
            onSizeAnswers.push_back(view->onSize(newSize));
        }
        return vst3::kResultOk;
    }

    // IRunLoop: each call counted, the handlers kept as a run loop keeps them.
    vst3::tresult registerEventHandler(vst3::IEventHandler* handler,
                                       vst3::FileDescriptor fd) override {
        return keep(eventHandlers, eventRegistrations, handler, fd);
    }
    vst3::tresult unregisterEventHandler(vst3::IEventHandler* handler) override {
        return drop(eventHandlers, eventUnregistrations, handler);
    }
    vst3::tresult registerTimer(vst3::ITimerHandler* handler,
                                vst3::TimerInterval milliseconds) override {
        return keep(timers, timerRegistrations, handler, milliseconds);
    }
    vst3::tresult unregisterTimer(vst3::ITimerHandler* handler) override {
        return drop(timers, timerUnregistrations, handler);
    }

    // What a run loop does: the registered handlers' calls.
    void fireTimers() {
        const auto now = timers; // a handler may unregister itself
        for (const auto& entry : now) {
            entry.first->onTimer();
        }
    }
    void fireEvents() {
        const auto now = eventHandlers;
        for (const auto& entry : now) {
            entry.first->onFDIsSet(entry.second);
        }
    }

    bool hasRunLoop;
    bool resizeAnswersOnSize = true;
    int refs = 1;
    std::vector<vst3::IPlugView*> resizedViews;
    std::vector<vst3::ViewRect> resizes;
    std::vector<vst3::tresult> onSizeAnswers;
    std::map<vst3::IEventHandler*, vst3::FileDescriptor> eventHandlers;
    std::map<vst3::ITimerHandler*, vst3::TimerInterval> timers;
    int eventRegistrations = 0;
    int eventUnregistrations = 0;
    int timerRegistrations = 0;
    int timerUnregistrations = 0;

  private:
    template <typename Handler, typename Value>
    static vst3::tresult keep(std::map<Handler*, Value>& kept, int& calls, Handler* handler,
                              Value value) {
        ++calls;
        kept[handler] = value;
        return vst3::kResultOk;
    }
    // Unregistering what is not registered is an error.
    template <typename Handler, typename Value>
    static vst3::tresult drop(std::map<Handler*, Value>& kept, int& calls, Handler* handler) {
        ++calls;
        return kept.erase(handler) == 1 ? vst3::kResultOk : vst3::kInvalidArgument;
    }
};

} // namespace viewtest
