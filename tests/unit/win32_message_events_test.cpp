// The Win32 backend's decoding of window messages into the editor's events: which
// messages become which events, the signed words of mouse positions, the wheel's notches
// and the press time. The DLL's behaviour depends on these rules staying exactly as they are.
#include "platform/win32/message_events.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <tuple>

namespace {

// MAKELPARAM(x, y) and MAKEWPARAM(keys, delta): 16-bit words, so negative values arrive as
// 0xFFxx words.
std::intptr_t pointLParam(int x, int y) {
    return static_cast<std::intptr_t>((std::uint32_t{static_cast<std::uint16_t>(y)} << 16) |
                                      static_cast<std::uint16_t>(x));
}
std::uintptr_t wheelWParam(int delta, std::uint16_t keys = 0) {
    return (std::uintptr_t{static_cast<std::uint16_t>(delta)} << 16) | keys;
}

EditorEvent decode(std::uint32_t msg, std::uintptr_t wParam = 0, std::intptr_t lParam = 0,
                   std::uint32_t now = 0, bool* taken = nullptr) {
    EditorEvent e;
    const bool ok = eventFromMessage(msg, wParam, lParam, now, e);
    if (taken != nullptr) {
        *taken = ok;
    }
    return e;
}

} // namespace

TEST(Win32MessageEvents, MessagesMapToTheirEventsAndTheRestAreLeftToTheSystem) {
    // WM_TIMER of any id, WM_CREATE, WM_DESTROY, WM_KEYDOWN of any key, the left button and
    // the wheel are the editor's; WM_PAINT, WM_KEYUP, WM_CHAR, WM_LBUTTONDBLCLK (0x0203) and
    // WM_RBUTTONDOWN (0x0204) are not.
    const std::tuple<std::uint32_t, bool, EditorEventKind> cases[] = {
        {0x0113, true, EditorEventKind::Tick},  {0x0001, true, EditorEventKind::Open},
        {0x0002, true, EditorEventKind::Close}, {0x0100, true, EditorEventKind::Key},
        {0x0201, true, EditorEventKind::Press}, {0x0202, true, EditorEventKind::Release},
        {0x0200, true, EditorEventKind::Move},  {0x020A, true, EditorEventKind::Wheel},
        {0x000F, false, EditorEventKind::Tick}, {0x0101, false, EditorEventKind::Tick},
        {0x0102, false, EditorEventKind::Tick}, {0x0203, false, EditorEventKind::Tick},
        {0x0204, false, EditorEventKind::Tick}};
    for (const auto& [msg, handled, kind] : cases) {
        bool taken = !handled;
        const EditorEvent e = decode(msg, 1, 0, 0, &taken);
        EXPECT_EQ(taken, handled) << std::hex << msg;
        if (handled) {
            EXPECT_EQ(e.kind, kind) << std::hex << msg;
        }
    }
}

TEST(Win32MessageEvents, OnlyTheDeleteKeyIsDelete) {
    // 0x12E merely shares Delete's low byte.
    for (std::uintptr_t vk : {0x41u, 0x08u, 0x2Du, 0x2Fu, 0x12Eu}) {
        EXPECT_EQ(decode(0x0100, vk).key, EditorKey::Other) << vk;
    }
    EXPECT_EQ(decode(0x0100, 0x2E).key, EditorKey::Delete);
}

TEST(Win32MessageEvents, PositionsAreSignedWordsAndPressesCarryTheirTime) {
    for (const auto& c : {std::array{0, 579}, {-1, -1}, {32767, -32768}, {-32768, 32767}}) {
        for (std::uint32_t msg : {0x0201u, 0x0200u}) {
            const EditorEvent e = decode(msg, 0, pointLParam(c[0], c[1]), 1234);
            EXPECT_EQ(e.x, c[0]);
            EXPECT_EQ(e.y, c[1]);
        }
    }
    // Bits above the two words (a sign-extended LPARAM) do not leak into y.
    const EditorEvent e =
        decode(0x0201, 0, static_cast<std::intptr_t>(0xFFFFFFFF0005FFFEull), 0xFFFFFFF0u);
    EXPECT_EQ(e.x, -2);
    EXPECT_EQ(e.y, 5);
    EXPECT_EQ(e.time, 0xFFFFFFF0u);
}

TEST(Win32MessageEvents, WheelNotchesKeepTheSignOfAnyMovement) {
    // delta (the signed high word), key-state bits, steps.
    const std::tuple<int, std::uint16_t, int> cases[] = {
        {120, 0x0008, 1}, {-120, 0x0004, -1}, {1, 0, 1},        {-1, 0, -1},
        {119, 0, 1},      {240, 0, 2},        {480, 0, 4},      {-360, 0, -3},
        {0, 0xFFFF, 0},   {32767, 0, 274},    {-32768, 0, -274}};
    for (const auto& [delta, keys, steps] : cases) {
        EXPECT_EQ(decode(0x020A, wheelWParam(delta, keys)).wheelSteps, steps) << delta;
    }
}
