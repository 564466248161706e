#include "tests/vst3/host_objects.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#if !defined(_WIN32)
#include <poll.h>
#endif

using namespace vst3;

namespace vst3host {

namespace {

// Answers `iid` with `self` when it is FUnknown or one of `iids`.
tresult answer(const TUID iid, void** obj, FUnknown* self, std::initializer_list<Uid> iids) {
    if (obj == nullptr) {
        return kInvalidArgument;
    }
    *obj = nullptr;
    bool known = sameUid(iid, kFUnknownIid);
    for (const Uid& u : iids) {
        known = known || sameUid(iid, u);
    }
    if (!known) {
        return kNoInterface;
    }
    self->addRef();
    *obj = self;
    return kResultOk;
}

} // namespace

// ---- MemoryStream ----------------------------------------------------------------------

tresult MemoryStream::queryInterface(const TUID iid, void** obj) {
    return answer(iid, obj, this, {kIBStreamIid});
}

tresult MemoryStream::read(void* buffer, int32 numBytes, int32* numBytesRead) {
    if (numBytesRead != nullptr) {
        *numBytesRead = 0;
    }
    if (buffer == nullptr || numBytes < 0) {
        return kInvalidArgument;
    }
    std::int64_t n =
        std::min<std::int64_t>(numBytes, static_cast<std::int64_t>(data.size()) -
                                             std::min<std::int64_t>(position, data.size()));
    if (failAfter >= 0 && passed + n > failAfter) {
        return kResultFalse;
    }
    if (n > 0) {
        std::memcpy(buffer, data.data() + position, static_cast<std::size_t>(n));
        position += n;
    }
    passed += n;
    if (numBytesRead != nullptr) {
        *numBytesRead = static_cast<int32>(n);
    }
    return kResultOk;
}

tresult MemoryStream::write(void* buffer, int32 numBytes, int32* numBytesWritten) {
    if (numBytesWritten != nullptr) {
        *numBytesWritten = 0;
    }
    if (buffer == nullptr || numBytes < 0) {
        return kInvalidArgument;
    }
    if (failAfter >= 0 && passed + numBytes > failAfter) {
        return kResultFalse;
    }
    const std::size_t end = static_cast<std::size_t>(position) + static_cast<std::size_t>(numBytes);
    if (data.size() < end) {
        data.resize(end);
    }
    std::memcpy(data.data() + position, buffer, static_cast<std::size_t>(numBytes));
    position += numBytes;
    passed += numBytes;
    if (numBytesWritten != nullptr) {
        *numBytesWritten = numBytes;
    }
    return kResultOk;
}

tresult MemoryStream::seek(int64 pos, int32 mode, int64* result) {
    std::int64_t base = 0;
    if (mode == IBStream::kIBSeekCur) {
        base = position;
    } else if (mode == IBStream::kIBSeekEnd) {
        base = static_cast<std::int64_t>(data.size());
    } else if (mode != IBStream::kIBSeekSet) {
        return kInvalidArgument;
    }
    if (base + pos < 0) {
        return kInvalidArgument;
    }
    position = base + pos;
    if (result != nullptr) {
        *result = position;
    }
    return kResultOk;
}

tresult MemoryStream::tell(int64* pos) {
    if (pos == nullptr) {
        return kInvalidArgument;
    }
    *pos = position;
    return kResultOk;
}

// ---- Parameter changes -----------------------------------------------------------------

tresult ParamQueue::queryInterface(const TUID iid, void** obj) {
    return answer(iid, obj, this, {kIParamValueQueueIid});
}

tresult ParamQueue::getPoint(int32 index, int32& sampleOffset, ParamValue& value) {
    if (index < 0 || index >= getPointCount()) {
        return kInvalidArgument;
    }
    sampleOffset = points_[static_cast<std::size_t>(index)].first;
    value = points_[static_cast<std::size_t>(index)].second;
    return kResultOk;
}

tresult ParamQueue::addPoint(int32 sampleOffset, ParamValue value, int32& index) {
    index = getPointCount();
    points_.emplace_back(sampleOffset, value);
    return kResultOk;
}

tresult ParamChanges::queryInterface(const TUID iid, void** obj) {
    return answer(iid, obj, this, {kIParameterChangesIid});
}

IParamValueQueue* ParamChanges::getParameterData(int32 index) {
    if (index < 0 || index >= getParameterCount()) {
        return nullptr;
    }
    return queues_[static_cast<std::size_t>(index)].get();
}

IParamValueQueue* ParamChanges::addParameterData(const ParamID& id, int32& index) {
    for (std::size_t i = 0; i < queues_.size(); ++i) {
        if (queues_[i]->getParameterId() == id) {
            index = static_cast<int32>(i);
            return queues_[i].get();
        }
    }
    index = getParameterCount();
    queues_.push_back(std::make_unique<ParamQueue>(id));
    return queues_.back().get();
}

void ParamChanges::add(ParamID id, int32 offset, double value) {
    int32 index = 0;
    addParameterData(id, index)->addPoint(offset, value, index);
}

// ---- Component handler -----------------------------------------------------------------

tresult ComponentHandler::queryInterface(const TUID iid, void** obj) {
    if (obj != nullptr && sameUid(iid, kIComponentHandler2Iid)) {
        addRef();
        *obj = static_cast<IComponentHandler2*>(this);
        return kResultOk;
    }
    return answer(iid, obj, static_cast<IComponentHandler*>(this), {kIComponentHandlerIid});
}

void ComponentHandler::note(std::string line) {
    std::lock_guard<std::mutex> guard(lock_);
    calls_.push_back(std::move(line));
}

std::vector<std::string> ComponentHandler::calls() const {
    std::lock_guard<std::mutex> guard(lock_);
    return calls_;
}

tresult ComponentHandler::beginEdit(ParamID id) {
    note("begin " + std::to_string(id));
    return kResultOk;
}

tresult ComponentHandler::performEdit(ParamID id, ParamValue valueNormalized) {
    char value[32];
    std::snprintf(value, sizeof value, "%.6f", valueNormalized);
    note("perform " + std::to_string(id) + " " + value);
    return kResultOk;
}

tresult ComponentHandler::endEdit(ParamID id) {
    note("end " + std::to_string(id));
    return kResultOk;
}

tresult ComponentHandler::restartComponent(int32 flags) {
    note("restart " + std::to_string(flags));
    return kResultOk;
}

tresult ComponentHandler::setDirty(TBool state) {
    note("dirty " + std::to_string(state));
    return kResultOk;
}

tresult ComponentHandler::requestOpenEditor(FIDString name) {
    note(std::string("open ") + (name != nullptr ? name : "(null)"));
    return kResultOk;
}

tresult ComponentHandler::startGroupEdit() {
    note("group start");
    return kResultOk;
}

tresult ComponentHandler::finishGroupEdit() {
    note("group finish");
    return kResultOk;
}

// ---- Host application ------------------------------------------------------------------

tresult HostApplication::queryInterface(const TUID iid, void** obj) {
    return answer(iid, obj, this, {kIHostApplicationIid});
}

tresult HostApplication::getName(String128 name) {
    const std::u16string text = widen("Tolvane VST3 test host");
    std::fill(name, name + 128, u'\0');
    std::copy(text.begin(), text.end(), name);
    return kResultOk;
}

tresult HostApplication::createInstance(TUID, TUID, void** obj) {
    if (obj != nullptr) {
        *obj = nullptr;
    }
    return kResultFalse; // no messages or attribute lists: the plug-in needs none
}

// ---- Run loop and frame ----------------------------------------------------------------

std::int64_t RunLoop::nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

tresult RunLoop::queryInterface(const TUID iid, void** obj) {
    return answer(iid, obj, this, {kIRunLoopIid});
}

tresult RunLoop::registerEventHandler(IEventHandler* handler, FileDescriptor fd) {
    if (handler == nullptr || fd < 0) {
        return kInvalidArgument;
    }
    handler->addRef();
    std::lock_guard<std::mutex> guard(lock_);
    handlers_.push_back({handler, fd});
    return kResultOk;
}

tresult RunLoop::unregisterEventHandler(IEventHandler* handler) {
    std::vector<IEventHandler*> gone;
    {
        std::lock_guard<std::mutex> guard(lock_);
        for (auto it = handlers_.begin(); it != handlers_.end();) {
            if (it->handler == handler) {
                gone.push_back(it->handler);
                it = handlers_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (IEventHandler* h : gone) {
        h->release();
    }
    return gone.empty() ? kInvalidArgument : kResultOk;
}

tresult RunLoop::registerTimer(ITimerHandler* handler, TimerInterval milliseconds) {
    if (handler == nullptr) {
        return kInvalidArgument;
    }
    handler->addRef();
    std::lock_guard<std::mutex> guard(lock_);
    timers_.push_back({handler, milliseconds, nowMs() + static_cast<std::int64_t>(milliseconds)});
    return kResultOk;
}

tresult RunLoop::unregisterTimer(ITimerHandler* handler) {
    std::vector<ITimerHandler*> gone;
    {
        std::lock_guard<std::mutex> guard(lock_);
        for (auto it = timers_.begin(); it != timers_.end();) {
            if (it->handler == handler) {
                gone.push_back(it->handler);
                it = timers_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (ITimerHandler* h : gone) {
        h->release();
    }
    return gone.empty() ? kInvalidArgument : kResultOk;
}

std::size_t RunLoop::handlerCount() const {
    std::lock_guard<std::mutex> guard(lock_);
    return handlers_.size();
}

std::size_t RunLoop::timerCount() const {
    std::lock_guard<std::mutex> guard(lock_);
    return timers_.size();
}

std::vector<TimerInterval> RunLoop::timerIntervals() const {
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<TimerInterval> out;
    for (const Timer& t : timers_) {
        out.push_back(t.interval);
    }
    return out;
}

std::vector<FileDescriptor> RunLoop::descriptors() const {
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<FileDescriptor> out;
    for (const Handler& h : handlers_) {
        out.push_back(h.fd);
    }
    return out;
}

int RunLoop::fireTimers() {
    std::vector<ITimerHandler*> all;
    {
        std::lock_guard<std::mutex> guard(lock_);
        for (const Timer& t : timers_) {
            t.handler->addRef();
            all.push_back(t.handler);
        }
    }
    for (ITimerHandler* handler : all) {
        handler->onTimer();
        handler->release();
        ++timerCalls_;
    }
    return static_cast<int>(all.size());
}

int RunLoop::runOnce(int ms, bool timers) {
#if defined(_WIN32)
    (void)ms;
    (void)timers;
    return 0;
#else
    std::vector<pollfd> fds;
    std::int64_t wait = ms;
    {
        std::lock_guard<std::mutex> guard(lock_);
        const std::int64_t now = nowMs();
        for (const Timer& t : timers_) {
            wait = timers ? std::min(wait, std::max<std::int64_t>(0, t.due - now)) : wait;
        }
        for (const Handler& h : handlers_) {
            fds.push_back({h.fd, POLLIN, 0});
        }
    }
    poll(fds.data(), fds.size(), static_cast<int>(wait));
    // What to call, each with a reference of its own for the duration of the call.
    std::vector<std::pair<IEventHandler*, FileDescriptor>> ready;
    std::vector<ITimerHandler*> due;
    {
        std::lock_guard<std::mutex> guard(lock_);
        for (const pollfd& p : fds) {
            if ((p.revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
                continue;
            }
            for (const Handler& h : handlers_) {
                if (h.fd == p.fd) {
                    h.handler->addRef();
                    ready.emplace_back(h.handler, p.fd);
                    break;
                }
            }
        }
        const std::int64_t after = nowMs();
        for (Timer& t : timers_) {
            if (timers && t.due <= after) {
                t.handler->addRef();
                due.push_back(t.handler);
                t.due = after + static_cast<std::int64_t>(t.interval);
            }
        }
    }
    // One handler's call may unregister another: each is looked up again just before.
    const auto stillHandler = [this](IEventHandler* handler) {
        std::lock_guard<std::mutex> guard(lock_);
        return std::any_of(handlers_.begin(), handlers_.end(),
                           [handler](const Handler& h) { return h.handler == handler; });
    };
    const auto stillTimer = [this](ITimerHandler* handler) {
        std::lock_guard<std::mutex> guard(lock_);
        return std::any_of(timers_.begin(), timers_.end(),
                           [handler](const Timer& t) { return t.handler == handler; });
    };
    int calls = 0;
    for (auto& [handler, fd] : ready) {
        if (stillHandler(handler)) {
            handler->onFDIsSet(fd);
            ++eventCalls_;
            ++calls;
        }
        handler->release();
    }
    for (ITimerHandler* handler : due) {
        if (stillTimer(handler)) {
            handler->onTimer();
            ++timerCalls_;
            ++calls;
        }
        handler->release();
    }
    return calls;
#endif
}

tresult PlugFrame::queryInterface(const TUID iid, void** obj) {
    if (obj != nullptr && loop_ != nullptr && sameUid(iid, kIRunLoopIid)) {
        return loop_->queryInterface(iid, obj);
    }
    return answer(iid, obj, this, {kIPlugFrameIid});
}

tresult PlugFrame::resizeView(IPlugView* view, ViewRect* newSize) {
    if (newSize == nullptr) {
        return kInvalidArgument;
    }
    resizes.push_back(*newSize);
    if (view != nullptr) {
        view->onSize(newSize); // a host resizes its window and tells the view
    }
    return kResultOk;
}

// ---- Texts -----------------------------------------------------------------------------

std::string narrow(const char16_t* text, std::size_t units) {
    std::string out;
    for (std::size_t i = 0; i < units && text[i] != 0; ++i) {
        out.push_back(text[i] < 0x80 ? static_cast<char>(text[i]) : '?');
    }
    return out;
}

std::u16string widen(const std::string& text) {
    std::u16string out;
    for (char c : text) {
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    }
    return out;
}

} // namespace vst3host
