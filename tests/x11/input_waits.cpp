#include "tests/x11/input_waits.h"

#include "tests/x11/audio_feeds.h"
#include "tests/x11/editor_pump.h"
#include "tools/plugin_loader.h"

#include <cmath>
#include <cstdio>

namespace {

void reportTimeout(bool reached, const char* what) {
    if (!reached) {
        std::printf("waited in vain for: %s\n", what);
    }
}

} // namespace

void waitForParameter(InputContext& c, int index, float value, float tolerance, const char* what) {
    reportTimeout(c.pump.until([&] {
        return std::fabs(c.effect->getParameter(c.effect, index) - value) <= tolerance;
    }),
                  what);
}

void waitForLevel(InputContext& c, float hz, const std::function<bool(double)>& reached,
                  const char* what) {
    c.feed.setFrequency(hz);
    // A few blocks first, so the level judged is one of the tone at its new frequency.
    if (!waitToneBlocks(c.feed, c.pump, 4)) {
        return;
    }
    reportTimeout(c.pump.until([&] { return reached(c.feed.lastBlockDb()); }), what);
}

Picture waitForPicture(InputContext& c, int x, int y, int width, int height,
                       const std::function<bool(const Picture&)>& reached, const char* what) {
    Picture seen;
    reportTimeout(c.pump.until([&] {
        seen = captureWindow(c.display, c.editor, x, y, width, height);
        return reached(seen);
    }),
                  what);
    return seen;
}

std::string parameterText(AEffect* effect, int index) {
    return queryText(effect, effGetParamDisplay, index);
}

std::string dB(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f dB", value);
    return text;
}
