// Reference handling between the test host and the plug-in: a counted pointer to a
// plug-in interface, the host's own objects with a reference count the checks can read,
// and interface queries.
#pragma once

#include "vst3/vst3_abi.h"

#include <atomic>
#include <utility>

namespace vst3host {

// Holds one reference to a plug-in object and releases it when dropped.
template <typename I> class Ref {
  public:
    Ref() = default;
    // Takes over a reference the caller already owns (a factory's or a query's).
    static Ref adopt(I* p) {
        Ref r;
        r.p_ = p;
        return r;
    }
    Ref(const Ref& other) : p_(other.p_) {
        if (p_ != nullptr) {
            p_->addRef();
        }
    }
    Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    Ref& operator=(Ref other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    ~Ref() { reset(); }

    void reset() {
        if (p_ != nullptr) {
            std::exchange(p_, nullptr)->release();
        }
    }
    I* get() const { return p_; }
    I* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

  private:
    I* p_ = nullptr;
};

// Asks `object` for interface `I`; empty when it answers anything but a pointer with
// kResultOk.
template <typename I> Ref<I> query(vst3::FUnknown* object, const vst3::Uid& iid) {
    if (object == nullptr) {
        return {};
    }
    void* out = nullptr;
    const vst3::tresult result = object->queryInterface(iid.bytes, &out);
    if (result != vst3::kResultOk || out == nullptr) {
        return {};
    }
    return Ref<I>::adopt(static_cast<I*>(out));
}

// The host's objects live as long as the check that made them; the count lets a check see
// that the plug-in gave back every reference it took.
class Counted {
  public:
    vst3::uint32 refs() const { return refs_.load(); }

  protected:
    vst3::uint32 up() { return ++refs_; }
    vst3::uint32 down() { return --refs_; }

  private:
    std::atomic<vst3::uint32> refs_{1};
};

#define VST3HOST_COUNTED                                                                           \
    vst3::uint32 addRef() override {                                                               \
        return up();                                                                               \
    }                                                                                              \
    vst3::uint32 release() override {                                                              \
        return down();                                                                             \
    }

} // namespace vst3host
