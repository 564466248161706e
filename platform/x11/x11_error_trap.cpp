#include "platform/x11/x11_error_trap.h"

#include <map>
#include <mutex>

namespace {

struct ErrorTrap {
    std::mutex lock;
    std::map<Display*, unsigned long> errors; // our open displays
    XErrorHandler previous = nullptr;         // the handler ours replaced
    bool installed = false;
};

ErrorTrap& trap() {
    static ErrorTrap t;
    return t;
}

// Xlib calls the handler without holding its global lock, so taking ours here cannot
// deadlock with XSetErrorHandler below, which takes Xlib's while we hold ours.
int onXError(Display* display, XErrorEvent* event) {
    XErrorHandler previous = nullptr;
    {
        const std::lock_guard<std::mutex> guard(trap().lock);
        auto it = trap().errors.find(display);
        if (it != trap().errors.end()) {
            ++it->second;
            return 0;
        }
        previous = trap().previous;
    }
    return previous != nullptr ? previous(display, event) : 0;
}

} // namespace

void trapErrorsOn(Display* display) {
    ErrorTrap& t = trap();
    const std::lock_guard<std::mutex> guard(t.lock);
    t.errors[display] = 0;
    if (!t.installed) {
        t.previous = XSetErrorHandler(onXError);
        t.installed = true;
    }
}

// With the last display gone the replaced handler is put back, so no error can reach a
// handler in a module the host has unloaded. A handler someone installed over ours stays.
void untrapErrorsOn(Display* display) {
    ErrorTrap& t = trap();
    const std::lock_guard<std::mutex> guard(t.lock);
    t.errors.erase(display);
    if (t.installed && t.errors.empty()) {
        const XErrorHandler current = XSetErrorHandler(t.previous);
        if (current != onXError) {
            XSetErrorHandler(current);
        }
        t.installed = false;
        t.previous = nullptr;
    }
}

unsigned long trappedErrors(Display* display) {
    const std::lock_guard<std::mutex> guard(trap().lock);
    auto it = trap().errors.find(display);
    return it != trap().errors.end() ? it->second : 0;
}
