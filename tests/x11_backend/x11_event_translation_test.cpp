// X events as the editor hears them, without a server: the events are built by hand the
// way Xlib delivers them.

// GoogleTest comes first: Xlib defines macros (None, Bool) that clash with its names.
#include <gtest/gtest.h>

#include "platform/x11/x11_event_translation.h"
#include "tests/x11_backend/x_event_builders.h"

#include <X11/keysym.h>
#include <initializer_list>

namespace {

using xevents::button;
using xevents::motion;

XEvent ofType(int type) {
    XEvent e{};
    e.type = type;
    return e;
}

X11Input translate(const XEvent& e) {
    return translateXEvent(e, NoSymbol);
}

} // namespace

TEST(X11EventTranslation, LeftPressCarriesPositionAndTime) {
    const X11Input in = translate(button(ButtonPress, Button1, 312, 148, 987654));
    ASSERT_EQ(in.action, X11Action::Deliver);
    EXPECT_EQ(in.event.kind, EditorEventKind::Press);
    EXPECT_EQ(in.event.x, 312);
    EXPECT_EQ(in.event.y, 148);
    EXPECT_EQ(in.event.time, 987654u);
}

TEST(X11EventTranslation, PressTimeKeepsTheLow32BitsOfTheServerClock) {
    const Time wrapped = (Time{1} << 32) + 250u;
    const X11Input in = translate(button(ButtonPress, Button1, 0, 0, wrapped));
    EXPECT_EQ(in.event.time, 250u);
}

TEST(X11EventTranslation, LeftReleaseAndMotionCarryPositions) {
    const X11Input up = translate(button(ButtonRelease, Button1, 40, 60));
    ASSERT_EQ(up.action, X11Action::Deliver);
    EXPECT_EQ(up.event.kind, EditorEventKind::Release);
    const X11Input move = translate(motion(700, 30));
    ASSERT_EQ(move.action, X11Action::Deliver);
    EXPECT_EQ(move.event.kind, EditorEventKind::Move);
    EXPECT_EQ(move.event.x, 700);
    EXPECT_EQ(move.event.y, 30);
}

// During a drag X keeps reporting the pointer relative to the window it left.
TEST(X11EventTranslation, PositionsOutsideTheWindowPassUnchanged) {
    const X11Input move = translate(motion(-120, 1900));
    EXPECT_EQ(move.event.x, -120);
    EXPECT_EQ(move.event.y, 1900);
    const X11Input press = translate(button(ButtonPress, Button1, -3, -7));
    EXPECT_EQ(press.event.x, -3);
    EXPECT_EQ(press.event.y, -7);
    const X11Input up = translate(button(ButtonRelease, Button1, -50, 2000));
    EXPECT_EQ(up.event.kind, EditorEventKind::Release);
    EXPECT_EQ(up.event.x, -50);
    EXPECT_EQ(up.event.y, 2000);
}

TEST(X11EventTranslation, WheelButtonsAreOneNotchEach) {
    const X11Input away = translate(button(ButtonPress, Button4, 10, 10));
    ASSERT_EQ(away.action, X11Action::Deliver);
    EXPECT_EQ(away.event.kind, EditorEventKind::Wheel);
    EXPECT_EQ(away.event.wheelSteps, 1);
    const X11Input towards = translate(button(ButtonPress, Button5, 10, 10));
    ASSERT_EQ(towards.action, X11Action::Deliver);
    EXPECT_EQ(towards.event.kind, EditorEventKind::Wheel);
    EXPECT_EQ(towards.event.wheelSteps, -1);
}

TEST(X11EventTranslation, WheelReleasesAndOtherButtonsAreIgnored) {
    for (unsigned int b :
         std::initializer_list<unsigned int>{Button4, Button5, Button2, Button3, 6, 7, 8}) {
        EXPECT_EQ(translate(button(ButtonRelease, b, 5, 5)).action, X11Action::Ignore) << b;
    }
    for (unsigned int b : std::initializer_list<unsigned int>{Button2, Button3, 6, 7, 8, 9}) {
        EXPECT_EQ(translate(button(ButtonPress, b, 5, 5)).action, X11Action::Ignore) << b;
    }
}

TEST(X11EventTranslation, DeleteKeysBecomeKeyDelete) {
    for (KeySym key : {static_cast<KeySym>(XK_Delete), static_cast<KeySym>(XK_KP_Delete)}) {
        const X11Input in = translateXEvent(ofType(KeyPress), key);
        ASSERT_EQ(in.action, X11Action::Deliver) << key;
        EXPECT_EQ(in.event.kind, EditorEventKind::Key);
        EXPECT_EQ(in.event.key, EditorKey::Delete);
    }
}

TEST(X11EventTranslation, OtherKeysAndKeyReleasesAreIgnored) {
    for (KeySym key : {static_cast<KeySym>(XK_BackSpace), static_cast<KeySym>(XK_a),
                       static_cast<KeySym>(XK_KP_Decimal), static_cast<KeySym>(NoSymbol)}) {
        EXPECT_EQ(translateXEvent(ofType(KeyPress), key).action, X11Action::Ignore) << key;
    }
    EXPECT_EQ(translateXEvent(ofType(KeyRelease), XK_Delete).action, X11Action::Ignore);
}

// The keysym only matters for a key press.
TEST(X11EventTranslation, KeysymIsIgnoredForOtherEvents) {
    const X11Input in = translateXEvent(motion(1, 2), XK_Delete);
    EXPECT_EQ(in.event.kind, EditorEventKind::Move);
}

TEST(X11EventTranslation, WindowEventsAskForRepaintResizeOrTeardown) {
    EXPECT_EQ(translate(ofType(Expose)).action, X11Action::Repaint);
    XEvent configure = ofType(ConfigureNotify);
    configure.xconfigure.width = 640;
    configure.xconfigure.height = 480;
    const X11Input resized = translate(configure);
    ASSERT_EQ(resized.action, X11Action::Resize);
    EXPECT_EQ(resized.width, 640);
    EXPECT_EQ(resized.height, 480);
    EXPECT_EQ(translate(ofType(DestroyNotify)).action, X11Action::Gone);
}

TEST(X11EventTranslation, UnrelatedEventsAreIgnored) {
    for (int type : {EnterNotify, LeaveNotify, FocusIn, FocusOut, MapNotify, UnmapNotify,
                     ReparentNotify, PropertyNotify, ClientMessage, GraphicsExpose, NoExpose}) {
        EXPECT_EQ(translate(ofType(type)).action, X11Action::Ignore) << type;
    }
}
