// Drives an open editor the way a host's UI thread does: effEditIdle again and again, our
// own connection's events taken in between, until the event a check waits for has
// happened. The plug-in handles its X events, its 33 ms animation tick and its repaints
// only inside effEditIdle, so nothing on screen changes while this thread does anything
// else.
#pragma once

#include "host/vst_abi.h"
#include "tests/x11/x11_check.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

#include <algorithm>
#include <chrono>
#include <thread>

class EditorPump {
  public:
    EditorPump(AEffect* effect, Display* display, int damageEventBase)
        : effect_(effect), display_(display), damageEventBase_(damageEventBase) {}
    EditorPump(const EditorPump&) = delete;
    EditorPump& operator=(const EditorPump&) = delete;
    ~EditorPump() { unwatch(true); }

    // Paints inside `window` reach us as damage events from the server; from now on
    // they are counted. Watching the host's window sees the editor's first paint however
    // soon after effEditOpen it comes. The window's death frees its damage record on the
    // server.
    void watch(Window window);
    void unwatch(bool windowAlive);

    // One idle round: effEditIdle, then our connection synced and its events taken.
    void round();
    // Rounds after which new damage of the watched window had come in.
    int paints() const { return paints_; }
    // The pause between two rounds: a host's UI thread does other work between idles,
    // and a loop without one would take a core from the shared machine.
    void rest() const { std::this_thread::sleep_for(kPace); }

    // Idle rounds until `done()` holds; false past the deadline. After one wait has run
    // out, later ones get a short deadline: the run has failed already and must end with
    // its tally before the test runner's timeout.
    template <class Done>
    bool until(Done&& done, std::chrono::milliseconds deadline = xcheck::kDeadline) {
        const auto start = std::chrono::steady_clock::now();
        const auto limit = expired_ ? std::min(deadline, kAfterExpiry) : deadline;
        for (;;) {
            if (done()) {
                return true;
            }
            if (std::chrono::steady_clock::now() - start >= limit) {
                expired_ = true;
                return false;
            }
            round();
            rest();
        }
    }

    // Idle rounds for at least `time`. Only where time itself is the point, such as
    // keeping two presses apart; a loaded machine can only make the wait longer.
    void forAtLeast(std::chrono::milliseconds time);

    bool waitForPaints(int more) {
        const int target = paints_ + more;
        return until([&] { return paints_ >= target; });
    }

  private:
    // Takes our connection's pending events; answers whether damage was among them.
    bool takeEvents();

    static constexpr std::chrono::milliseconds kPace{5};
    static constexpr std::chrono::milliseconds kAfterExpiry{5000};

    AEffect* effect_;
    Display* display_;
    int damageEventBase_;
    Damage damage_ = 0;
    int paints_ = 0;
    bool expired_ = false;
};
