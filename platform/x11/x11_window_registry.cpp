#include "platform/x11/x11_window.h"

#include <array>
#include <chrono>
#include <cstddef>

namespace {

// More editor windows than this at once in one process is not a host we serve.
constexpr std::size_t kSlots = 256;

struct Slot {
    std::atomic<std::uint32_t> generation{0}; // changes whenever the slot is taken
    X11WindowFlags flags;
};

struct Registry {
    std::mutex lock;
    std::array<std::shared_ptr<X11Window>, kSlots> windows;
    std::array<Slot, kSlots> slots;
};

Registry& registry() {
    static Registry r;
    return r;
}

// A handle names a slot and the generation it was taken in, so the handle of a closed
// window never reaches the window that takes its slot next. Never null.
WindowHandle makeHandle(std::size_t index, std::uint32_t generation) {
    const std::uintptr_t value = (static_cast<std::uintptr_t>(generation) << 16) | (index + 1);
    return reinterpret_cast<WindowHandle>(value);
}

// The slot of a live handle, or kSlots.
std::size_t slotOf(WindowHandle handle) {
    const auto value = reinterpret_cast<std::uintptr_t>(handle);
    const std::size_t index = (value & 0xFFFFu) - 1;
    if (value == 0 || index >= kSlots) {
        return kSlots;
    }
    const auto generation = static_cast<std::uint32_t>(value >> 16);
    return registry().slots[index].generation.load(std::memory_order_acquire) == generation
               ? index
               : kSlots;
}

void resetFlags(X11WindowFlags& flags) {
    flags.invalidated.store(true);
    flags.animating.store(false);
    flags.lastTickNs.store(0);
}

} // namespace

WindowHandle addX11Window(const std::shared_ptr<X11Window>& window) {
    Registry& r = registry();
    const std::lock_guard<std::mutex> guard(r.lock);
    for (std::size_t i = 0; i < kSlots; ++i) {
        if (r.windows[i] == nullptr) {
            Slot& slot = r.slots[i];
            resetFlags(slot.flags);
            const std::uint32_t generation = slot.generation.load(std::memory_order_relaxed) + 1;
            slot.generation.store(generation, std::memory_order_release);
            window->handle = makeHandle(i, generation);
            window->flags = &slot.flags;
            r.windows[i] = window;
            return window->handle;
        }
    }
    return nullptr;
}

std::shared_ptr<X11Window> findX11Window(WindowHandle handle) {
    Registry& r = registry();
    const std::lock_guard<std::mutex> guard(r.lock);
    const std::size_t i = slotOf(handle);
    return i < kSlots ? r.windows[i] : nullptr;
}

// The generation moves on as the window leaves, so its handle is dead at once.
std::shared_ptr<X11Window> takeX11Window(WindowHandle handle) {
    Registry& r = registry();
    const std::lock_guard<std::mutex> guard(r.lock);
    const std::size_t i = slotOf(handle);
    if (i >= kSlots || r.windows[i] == nullptr) {
        return nullptr;
    }
    std::shared_ptr<X11Window> window = std::move(r.windows[i]);
    r.windows[i] = nullptr;
    r.slots[i].generation.fetch_add(1, std::memory_order_acq_rel);
    return window;
}

X11WindowFlags* x11WindowFlags(WindowHandle handle) {
    const std::size_t i = slotOf(handle);
    return i < kSlots ? &registry().slots[i].flags : nullptr;
}

std::int64_t steadyNowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
