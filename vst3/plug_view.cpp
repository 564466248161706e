// The editor view. It opens the editor window the way the VST 2.4 build's effEditOpen does,
// with the window options only VST 3 needs: the content scale, and the hook that lets the
// plug-in report the editor's changes to the host after every event.
//
// Threads: the host calls the view on its UI thread, and so does the run loop's handlers.
// A host may still release or remove the view from another thread; the window handle is
// an atomic and destroyWindow waits for a handler of the window in progress, so that is
// safe for the window; the run loop's unregistration is then the host's own affair.
#include "vst3/plug_view.h"

#include "editor/editor_state.h"
#include "editor/window_system.h"
#include "host/editor_host.h"
#include "platform/editor_window_options.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <new>

namespace vst3 {

namespace {

class PlugView;

// The run loop's handlers are parts of the view: their references are the view's.
class FdHandler final : public IEventHandler {
  public:
    explicit FdHandler(PlugView& owner) : view(owner) {}
    tresult queryInterface(const TUID iid, void** obj) override;
    uint32 addRef() override;
    uint32 release() override;
    void onFDIsSet(FileDescriptor fd) override;

  private:
    PlugView& view;
};

class TimerHandler final : public ITimerHandler {
  public:
    explicit TimerHandler(PlugView& owner) : view(owner) {}
    tresult queryInterface(const TUID iid, void** obj) override;
    uint32 addRef() override;
    uint32 release() override;
    void onTimer() override;

  private:
    PlugView& view;
};

class PlugView final : public IPlugView, public IPlugViewContentScaleSupport {
  public:
    explicit PlugView(const PlugViewOwner& owner) : owner(owner) { owner.keepAlive->addRef(); }

    ~PlugView() {
        closeWindow();
        setFrame(nullptr);
        owner.keepAlive->release();
    }

    PlugView(const PlugView&) = delete;
    PlugView& operator=(const PlugView&) = delete;

    // FUnknown
    tresult queryInterface(const TUID iid, void** obj) override {
        if (obj == nullptr) {
            return kInvalidArgument;
        }
        *obj = nullptr;
        if (sameUid(iid, kFUnknownIid) || sameUid(iid, kIPlugViewIid)) {
            *obj = static_cast<IPlugView*>(this);
        } else if (sameUid(iid, kIPlugViewContentScaleSupportIid)) {
            *obj = static_cast<IPlugViewContentScaleSupport*>(this);
        } else {
            return kNoInterface;
        }
        addRef();
        return kResultOk;
    }

    uint32 addRef() override { return refs.fetch_add(1) + 1; }

    uint32 release() override {
        const uint32 left = refs.fetch_sub(1) - 1;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    // IPlugView
    tresult isPlatformTypeSupported(FIDString type) override {
        return type != nullptr && std::strcmp(type, editorParentType()) == 0 ? kResultTrue
                                                                             : kResultFalse;
    }

    tresult attached(void* parent, FIDString type) override {
        if (parent == nullptr || isPlatformTypeSupported(type) != kResultTrue) {
            return kInvalidArgument;
        }
        if (window.load() != nullptr) {
            return kResultFalse; // attached already; the host must remove it first
        }
        EditorWindowOptions options;
        options.scale = scale;
        options.afterEvent = &PlugView::afterEvent;
        options.afterEventContext = this;
        WindowHandle made = createScaledEditorWindow(
            parent, kViewWidth, kViewHeight, registerEditorClassOnce(), owner.editor, options);
        if (made == nullptr) {
            return kResultFalse;
        }
        window.store(made);
        // Host threads that change a parameter repaint through the editor's handle.
        owner.editor->window.store(made, std::memory_order_relaxed);
        connectRunLoop();
        // The first picture, even for a host with no run loop to serve the window.
        pumpEditorWindow(made);
        return kResultOk;
    }

    tresult removed() override {
        closeWindow();
        return kResultOk;
    }

    // The window takes its own input from the window system.
    tresult onWheel(float) override { return kResultFalse; }
    tresult onKeyDown(char16, int16, int16) override { return kResultFalse; }
    tresult onKeyUp(char16, int16, int16) override { return kResultFalse; }
    tresult onFocus(TBool) override { return kResultOk; }

    tresult getSize(ViewRect* size) override {
        if (size == nullptr) {
            return kInvalidArgument;
        }
        *size = ViewRect{0, 0, width(), height()};
        return kResultOk;
    }

    // The editor has one size at each scale.
    tresult onSize(ViewRect* newSize) override {
        if (newSize == nullptr) {
            return kInvalidArgument;
        }
        return newSize->right - newSize->left == width() &&
                       newSize->bottom - newSize->top == height()
                   ? kResultOk
                   : kResultFalse;
    }

    tresult canResize() override { return kResultFalse; }

    tresult checkSizeConstraint(ViewRect* rect) override {
        if (rect == nullptr) {
            return kInvalidArgument;
        }
        rect->right = rect->left + width();
        rect->bottom = rect->top + height();
        return kResultOk;
    }

    // A frame set while the window is open moves the window's service to its run loop.
    tresult setFrame(IPlugFrame* newFrame) override {
        if (newFrame != nullptr) {
            newFrame->addRef();
        }
        disconnectRunLoop();
        IPlugFrame* old = frame;
        frame = newFrame;
        if (old != nullptr) {
            old->release();
        }
        if (window.load() != nullptr) {
            connectRunLoop();
        }
        return kResultOk;
    }

    // IPlugViewContentScaleSupport. The window follows at once, and the frame is asked to
    // make room for it.
    tresult setContentScaleFactor(float factor) override {
        if (!std::isfinite(factor)) {
            return kInvalidArgument;
        }
        const float clamped = factor < kMinContentScale   ? kMinContentScale
                              : factor > kMaxContentScale ? kMaxContentScale
                                                          : factor;
        if (clamped == scale) {
            return kResultOk;
        }
        scale = clamped;
        WindowHandle open = window.load();
        if (open != nullptr) {
            setEditorWindowScale(open, scale);
            if (frame != nullptr) {
                ViewRect rect{0, 0, width(), height()};
                frame->resizeView(this, &rect);
            }
        }
        return kResultOk;
    }

    void serve() {
        if (WindowHandle open = window.load()) {
            pumpEditorWindow(open);
        }
    }

  private:
    int32 width() const { return scaledLength(kViewWidth, scale); }
    int32 height() const { return scaledLength(kViewHeight, scale); }

    static void afterEvent(void* context) {
        const PlugViewOwner& owner = static_cast<PlugView*>(context)->owner;
        if (owner.eventHandled != nullptr) {
            owner.eventHandled(owner.context);
        }
    }

    // Registers the window's connection and the animation timer with the frame's run
    // loop, when the frame has one and the backend has a connection to watch.
    void connectRunLoop() {
        WindowHandle open = window.load();
        if (frame == nullptr || open == nullptr || runLoop != nullptr) {
            return;
        }
        void* found = nullptr;
        if (frame->queryInterface(kIRunLoopIid.bytes, &found) != kResultOk || found == nullptr) {
            return;
        }
        runLoop = static_cast<IRunLoop*>(found);
        const int fd = editorWindowConnectionFd(open);
        if (fd >= 0) {
            fdRegistered = runLoop->registerEventHandler(&fdHandler, fd) == kResultOk;
            timerRegistered = runLoop->registerTimer(&timerHandler, kViewTimerMs) == kResultOk;
        }
    }

    void disconnectRunLoop() {
        if (runLoop == nullptr) {
            return;
        }
        if (fdRegistered) {
            runLoop->unregisterEventHandler(&fdHandler);
        }
        if (timerRegistered) {
            runLoop->unregisterTimer(&timerHandler);
        }
        fdRegistered = false;
        timerRegistered = false;
        runLoop->release();
        runLoop = nullptr;
    }

    // The run loop lets go of the window first, so no handler pumps a closing window.
    void closeWindow() {
        disconnectRunLoop();
        WindowHandle open = window.exchange(nullptr);
        if (open == nullptr) {
            return;
        }
        WindowHandle expected = open;
        owner.editor->window.compare_exchange_strong(expected, nullptr);
        if (windowIsAlive(open)) {
            stopAnimationTimer(open);
            destroyWindow(open);
        }
    }

    std::atomic<uint32> refs{1};
    const PlugViewOwner owner;
    std::atomic<WindowHandle> window{nullptr};
    float scale = 1.0f;
    IPlugFrame* frame = nullptr;
    IRunLoop* runLoop = nullptr;
    bool fdRegistered = false;
    bool timerRegistered = false;
    FdHandler fdHandler{*this};
    TimerHandler timerHandler{*this};

    friend class FdHandler;
    friend class TimerHandler;
};

template <class Handler>
tresult handlerInterface(Handler* handler, const Uid& own, const TUID iid, void** obj) {
    if (obj == nullptr) {
        return kInvalidArgument;
    }
    *obj = nullptr;
    if (!sameUid(iid, kFUnknownIid) && !sameUid(iid, own)) {
        return kNoInterface;
    }
    *obj = handler;
    handler->addRef();
    return kResultOk;
}

tresult FdHandler::queryInterface(const TUID iid, void** obj) {
    return handlerInterface(this, kIEventHandlerIid, iid, obj);
}
uint32 FdHandler::addRef() {
    return view.addRef();
}
uint32 FdHandler::release() {
    return view.release();
}
// The window's connection has input: handled now, not at the next timer.
void FdHandler::onFDIsSet(FileDescriptor) {
    view.serve();
}

tresult TimerHandler::queryInterface(const TUID iid, void** obj) {
    return handlerInterface(this, kITimerHandlerIid, iid, obj);
}
uint32 TimerHandler::addRef() {
    return view.addRef();
}
uint32 TimerHandler::release() {
    return view.release();
}
void TimerHandler::onTimer() {
    view.serve();
}

} // namespace

IPlugView* createPlugViewFor(const PlugViewOwner& owner) {
    if (owner.keepAlive == nullptr || owner.editor == nullptr) {
        return nullptr;
    }
    return new (std::nothrow) PlugView(owner);
}

} // namespace vst3
