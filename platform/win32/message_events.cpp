#include "platform/win32/message_events.h"

namespace {

int signedWord(std::uintptr_t value) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(value & 0xFFFFu));
}

// Client position from a mouse message's lParam: signed 16-bit low (x) and high (y)
// words, so positions left of or above the window stay negative while captured.
void pointFromLParam(std::intptr_t lParam, EditorEvent& event) {
    const auto bits = static_cast<std::uintptr_t>(lParam);
    event.x = signedWord(bits);
    event.y = signedWord(bits >> 16);
}

// The signed high word of wParam in notches. Touchpads send fractions of a notch; any
// movement counts as one step in its direction, and no movement as none, so the editor's
// up/down rule sees the same sign it always did.
int wheelSteps(std::uintptr_t wParam) {
    const int delta = signedWord(wParam >> 16);
    if (delta > 0) {
        return (delta + win32msg::kWheelDelta - 1) / win32msg::kWheelDelta;
    }
    return -((-delta + win32msg::kWheelDelta - 1) / win32msg::kWheelDelta);
}

} // namespace

bool eventFromMessage(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam,
                      std::uint32_t now, EditorEvent& event) {
    event = EditorEvent{};
    switch (msg) {
    case win32msg::kCreate:
        event.kind = EditorEventKind::Open;
        return true;
    case win32msg::kDestroy:
        event.kind = EditorEventKind::Close;
        return true;
    case win32msg::kTimer: // any timer id ticks
        event.kind = EditorEventKind::Tick;
        return true;
    case win32msg::kKeyDown:
        event.kind = EditorEventKind::Key;
        event.key = wParam == win32msg::kVkDelete ? EditorKey::Delete : EditorKey::Other;
        return true;
    case win32msg::kLButtonDown:
        event.kind = EditorEventKind::Press;
        pointFromLParam(lParam, event);
        event.time = now;
        return true;
    case win32msg::kLButtonUp:
        event.kind = EditorEventKind::Release;
        return true;
    case win32msg::kMouseMove:
        event.kind = EditorEventKind::Move;
        pointFromLParam(lParam, event);
        return true;
    case win32msg::kMouseWheel:
        event.kind = EditorEventKind::Wheel;
        event.wheelSteps = wheelSteps(wParam);
        return true;
    default:
        return false;
    }
}
