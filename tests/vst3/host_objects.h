// The host's side of the interfaces: a memory stream for states, the parameter changes of
// one block, a component handler that records what the plug-in reports, the host
// application, and the editor's frame with (on Linux) the run loop behind it.
#pragma once

#include "tests/vst3/host_com.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vst3host {

// IBStream over a byte vector, as hosts hand one to getState/setState. `failAfter` makes
// reads and writes fail once that many bytes have passed (a full disk, a cut file).
class MemoryStream final : public vst3::IBStream, public Counted {
  public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<std::uint8_t> bytes) : data(std::move(bytes)) {}

    vst3::tresult queryInterface(const vst3::TUID iid, void** obj) override;
    VST3HOST_COUNTED
    vst3::tresult read(void* buffer, vst3::int32 numBytes, vst3::int32* numBytesRead) override;
    vst3::tresult write(void* buffer, vst3::int32 numBytes, vst3::int32* numBytesWritten) override;
    vst3::tresult seek(vst3::int64 pos, vst3::int32 mode, vst3::int64* result) override;
    vst3::tresult tell(vst3::int64* pos) override;

    std::vector<std::uint8_t> data;
    std::int64_t position = 0;
    std::int64_t failAfter = -1;

  private:
    std::int64_t passed = 0;
};

class ParamQueue final : public vst3::IParamValueQueue, public Counted {
  public:
    explicit ParamQueue(vst3::ParamID id) : id_(id) {}
    vst3::tresult queryInterface(const vst3::TUID iid, void** obj) override;
    VST3HOST_COUNTED
    vst3::ParamID getParameterId() override { return id_; }
    vst3::int32 getPointCount() override { return static_cast<vst3::int32>(points_.size()); }
    vst3::tresult getPoint(vst3::int32 index, vst3::int32& sampleOffset,
                           vst3::ParamValue& value) override;
    vst3::tresult addPoint(vst3::int32 sampleOffset, vst3::ParamValue value,
                           vst3::int32& index) override;

  private:
    vst3::ParamID id_;
    std::vector<std::pair<vst3::int32, vst3::ParamValue>> points_;
};

// One block's changes, one queue per parameter, points kept in the order added (hosts
// add them in sample order).
class ParamChanges final : public vst3::IParameterChanges, public Counted {
  public:
    vst3::tresult queryInterface(const vst3::TUID iid, void** obj) override;
    VST3HOST_COUNTED
    vst3::int32 getParameterCount() override { return static_cast<vst3::int32>(queues_.size()); }
    vst3::IParamValueQueue* getParameterData(vst3::int32 index) override;
    vst3::IParamValueQueue* addParameterData(const vst3::ParamID& id, vst3::int32& index) override;

    void add(vst3::ParamID id, vst3::int32 offset, double value);
    void clear() { queues_.clear(); }

  private:
    std::vector<std::unique_ptr<ParamQueue>> queues_;
};

// IComponentHandler and IComponentHandler2 on one object, as hosts give them; every call
// is recorded as a line of text ("begin 2", "perform 2 0.5", "end 2", "dirty 1", ...).
class ComponentHandler final : public vst3::IComponentHandler,
                               public vst3::IComponentHandler2,
                               public Counted {
  public:
    vst3::tresult queryInterface(const vst3::TUID iid, void** obj) override;
    VST3HOST_COUNTED
    vst3::tresult beginEdit(vst3::ParamID id) override;
    vst3::tresult performEdit(vst3::ParamID id, vst3::ParamValue valueNormalized) override;
    vst3::tresult endEdit(vst3::ParamID id) override;
    vst3::tresult restartComponent(vst3::int32 flags) override;
    vst3::tresult setDirty(vst3::TBool state) override;
    vst3::tresult requestOpenEditor(vst3::FIDString name) override;
    vst3::tresult startGroupEdit() override;
    vst3::tresult finishGroupEdit() override;

    std::vector<std::string> calls() const;

  private:
    void note(std::string line);
    mutable std::mutex lock_;
    std::vector<std::string> calls_;
};

class HostApplication final : public vst3::IHostApplication, public Counted {
  public:
    vst3::tresult queryInterface(const vst3::TUID iid, void** obj) override;
    VST3HOST_COUNTED
    vst3::tresult getName(vst3::String128 name) override;
    vst3::tresult createInstance(vst3::TUID cid, vst3::TUID iid, void** obj) override;
};

// Linux hosts serve a view's file descriptors and timers from their UI loop; this one is a
// poll() over what the view registered, run by the check when it wants events delivered.
class RunLoop final : public vst3::IRunLoop, public Counted {
  public:
    vst3::tresult queryInterface(const vst3::TUID iid, void** obj) override;
    VST3HOST_COUNTED
    vst3::tresult registerEventHandler(vst3::IEventHandler* handler,
                                       vst3::FileDescriptor fd) override;
    vst3::tresult unregisterEventHandler(vst3::IEventHandler* handler) override;
    vst3::tresult registerTimer(vst3::ITimerHandler* handler,
                                vst3::TimerInterval milliseconds) override;
    vst3::tresult unregisterTimer(vst3::ITimerHandler* handler) override;

    // Waits up to `ms` for a registered descriptor to be readable or a timer to fall due,
    // and calls the handlers of those that are; the number of handler calls made.
    int runOnce(int ms, bool timers = true);
    // Calls every registered timer once, as a tick of the host's loop would; the number
    // called.
    int fireTimers();
    // Runs the loop until `done()` or `deadlineMs` passes; whether `done()` came true.
    // With `timers` false only the descriptors are served.
    template <typename Done>
    bool runUntil(Done&& done, int deadlineMs = 60000, bool timers = true) {
        const std::int64_t end = nowMs() + deadlineMs;
        while (!done()) {
            const std::int64_t left = end - nowMs();
            if (left <= 0) {
                return false;
            }
            runOnce(static_cast<int>(left < 20 ? left : 20), timers);
        }
        return true;
    }

    std::size_t handlerCount() const;
    std::size_t timerCount() const;
    std::vector<vst3::TimerInterval> timerIntervals() const;
    std::vector<vst3::FileDescriptor> descriptors() const;
    long timerCalls() const { return timerCalls_.load(); }
    long eventCalls() const { return eventCalls_.load(); }
    static std::int64_t nowMs();

  private:
    struct Handler {
        vst3::IEventHandler* handler;
        vst3::FileDescriptor fd;
    };
    struct Timer {
        vst3::ITimerHandler* handler;
        vst3::TimerInterval interval;
        std::int64_t due;
    };
    // Registrations may come from any thread (a host may close a view from another one);
    // the lock is never held while a handler runs, and a handler being called holds a
    // reference the loop took for it, so it outlives an unregistration meanwhile.
    mutable std::mutex lock_;
    std::vector<Handler> handlers_;
    std::vector<Timer> timers_;
    std::atomic<long> timerCalls_{0};
    std::atomic<long> eventCalls_{0};
};

// The host window's frame for a view: answers IRunLoop too (Linux views ask the frame for
// it) and records resize requests.
class PlugFrame final : public vst3::IPlugFrame, public Counted {
  public:
    explicit PlugFrame(RunLoop* loop) : loop_(loop) {}
    vst3::tresult queryInterface(const vst3::TUID iid, void** obj) override;
    VST3HOST_COUNTED
    vst3::tresult resizeView(vst3::IPlugView* view, vst3::ViewRect* newSize) override;

    std::vector<vst3::ViewRect> resizes;

  private:
    RunLoop* loop_;
};

// UTF-16 from/to ASCII for the checks' texts.
std::string narrow(const char16_t* text, std::size_t units = 128);
std::u16string widen(const std::string& text);

} // namespace vst3host
