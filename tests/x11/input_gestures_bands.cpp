// The band gestures: node drag and wheel, the preset box, double click and Delete.
#include "editor/layout.h"
#include "tests/x11/audio_feeds.h"
#include "tests/x11/input_gestures.h"
#include "tests/x11/input_waits.h"
#include "tests/x11/x11_check.h"
#include "tests/x11/xtest_input.h"

#include <X11/keysym.h>

#include <cmath>

namespace {

int px(double v) {
    return static_cast<int>(std::lround(v));
}

// The left end of the preset box, inside its outline: the arrow and the preset's number,
// placed by the centred title's width, so they move with every preset. The box's middle
// is left out: with band 4 dragged to the top of the graph, its glow (to 90 pixels either
// side of the node at 1 kHz) and its pulsing ring reach into the box.
constexpr int kTitleX = kPresetBoxLeft + 1;
constexpr int kTitleY = kPresetBoxTop + 1;
constexpr int kTitleWidth = 420 - kTitleX;
constexpr int kTitleHeight = kPresetBoxBottom - kPresetBoxTop - 2;

Picture presetTitle(InputContext& c, const std::function<bool(const Picture&)>& reached,
                    const char* what) {
    return waitForPicture(c, kTitleX, kTitleY, kTitleWidth, kTitleHeight, reached, what);
}

} // namespace

// Band 4 of the starting list (2900 Hz, +2.8 dB) is dragged to 1 kHz and +24 dB, then
// narrowed with the wheel. The tone at 1 kHz must rise, the tone beside it must fall
// again when the band narrows, and no parameter may move.
void checkNodeDragAndWheel(InputContext& c, double base) {
    const float defaults[5] = {0.5f, 0.85f, 0.90f, 0.92f, 0.0f};
    const int nodeX = px(frequencyToX(2900.0, kEditorWidth));
    const int nodeY = px(gainToY(2.8));
    const int toX = px(frequencyToX(1000.0, kEditorWidth));
    c.input.drag(nodeX, nodeY, toX, 52);
    waitForLevel(
        c, 1000.0f, [&](double db) { return db > base + 10.0; }, "1 kHz boosted");
    const double boosted = levelDb(c.feed, c.pump, 1000.0f);
    xcheck::check(boosted > base + 10.0,
                  "node drag: 1 kHz went from " + dB(base) + " to " + dB(boosted));
    for (int i = 0; i < 5; ++i) {
        const float value = c.effect->getParameter(c.effect, i);
        xcheck::check(value == defaults[i], "node drag leaves parameter " + xcheck::str(i) +
                                                " alone (" + std::to_string(value) + ")");
    }
    const double sideWide = levelDb(c.feed, c.pump, 1700.0f);
    c.input.wheel(20, 700, 300);
    waitForLevel(
        c, 1700.0f, [&](double db) { return db < sideWide - 6.0; }, "1.7 kHz cut");
    const double sideNarrow = levelDb(c.feed, c.pump, 1700.0f);
    xcheck::check(sideNarrow < sideWide - 6.0,
                  "wheel: 1.7 kHz went from " + dB(sideWide) + " to " + dB(sideNarrow));
    const double centre = levelDb(c.feed, c.pump, 1000.0f);
    xcheck::check(centre > base + 10.0, "wheel: 1 kHz still boosted, now " + dB(centre));
}

// Three presses on the preset box: preset 1 (a high cut at 16 kHz), preset 2, then
// preset 0, which is the starting list again, so the edits above are gone. Each press is
// waited for by its title appearing in the box; the sound is judged after.
void checkPresetBox(InputContext& c, double base1k, double base16k) {
    const Picture first = presetTitle(
        c, [](const Picture& p) { return !p.pixels.empty(); }, "preset box captured");
    c.input.click(460, 25);
    const Picture second = presetTitle(
        c, [&](const Picture& p) { return !p.sameAs(first); }, "preset 1 title");
    const double cut = levelDb(c.feed, c.pump, 16000.0f);
    xcheck::check(cut < base16k - 3.0,
                  "preset 1: 16 kHz " + dB(cut) + ", starting list " + dB(base16k));
    c.input.click(460, 25);
    presetTitle(
        c, [&](const Picture& p) { return !p.sameAs(second) && !p.sameAs(first); },
        "preset 2 title");
    const double glue = levelDb(c.feed, c.pump, 16000.0f);
    xcheck::check(glue > cut + 3.0, "preset 2: 16 kHz " + dB(glue));
    c.input.click(460, 25);
    presetTitle(
        c, [&](const Picture& p) { return p.sameAs(first); }, "preset 0 title again");
    const double back16k = levelDb(c.feed, c.pump, 16000.0f);
    const double back1k = levelDb(c.feed, c.pump, 1000.0f);
    xcheck::check(std::fabs(back16k - base16k) < 1.0, "preset 0: 16 kHz " + dB(back16k));
    xcheck::check(std::fabs(back1k - base1k) < 1.0, "preset 0: 1 kHz " + dB(back1k));
}

// At 5 kHz and -12 dB the graph is empty (no node within reach, the selected band's panel
// higher up). Two single clicks there come first: taken for a double click, they would
// add a band, and the double click's presses would land on its node and remove it again,
// so the cut below would not come. The double click adds a bell there, selected; Delete
// removes the selected band.
void checkDoubleClickAndDelete(InputContext& c) {
    const int x = px(frequencyToX(5000.0, kEditorWidth));
    const int y = px(gainToY(-12.0));
    const double base = levelDb(c.feed, c.pump, 5000.0f);
    c.input.click(x, y);
    c.input.click(x, y);
    c.input.doubleClick(x, y);
    waitForLevel(
        c, 5000.0f, [&](double db) { return db < base - 6.0; }, "5 kHz cut");
    const double added = levelDb(c.feed, c.pump, 5000.0f);
    xcheck::check(added < base - 6.0,
                  "double click adds a band: 5 kHz went from " + dB(base) + " to " + dB(added));
    xcheck::check(c.input.key(XK_Delete), "the keyboard has a Delete key");
    waitForLevel(
        c, 5000.0f, [&](double db) { return std::fabs(db - base) < 1.0; }, "5 kHz back");
    const double removed = levelDb(c.feed, c.pump, 5000.0f);
    xcheck::check(std::fabs(removed - base) < 1.0,
                  "Delete removes the added band: 5 kHz " + dB(removed) + ", before " + dB(base));
}
