// The control strip's gestures: two knobs and the bypass button.
#include "tests/x11/audio_feeds.h"
#include "tests/x11/input_gestures.h"
#include "tests/x11/input_waits.h"
#include "tests/x11/x11_check.h"
#include "tests/x11/xtest_input.h"

#include <cmath>
#include <string>

namespace {

float parameter(InputContext& c, int index) {
    return c.effect->getParameter(c.effect, index);
}

} // namespace

// OUTPUT TRIM (knob 3) drives parameter 0, VAVU COUPLING (knob 0) parameter 1: 130
// pixels span the whole range, measured from the press point.
void checkKnobs(InputContext& c) {
    c.input.drag(385, 520, 385, 455); // 0.5 + 65/130
    waitForParameter(c, 0, 1.0f, 0.0f, "trim at its top");
    xcheck::check(parameter(c, 0) == 1.0f,
                  "trim knob: value " + std::to_string(parameter(c, 0)) + ", want 1");
    xcheck::check(parameterText(c.effect, 0) == "+12.0",
                  "trim knob: text " + parameterText(c.effect, 0) + ", want +12.0");
    c.input.drag(385, 520, 385, 585);
    waitForParameter(c, 0, 0.5f, 0.0f, "trim back at the middle");
    xcheck::check(parameter(c, 0) == 0.5f,
                  "trim knob: back to " + std::to_string(parameter(c, 0)) + ", want 0.5");
    c.input.drag(55, 520, 55, 546); // 0.85 - 26/130
    waitForParameter(c, 1, 0.65f, 1e-6f, "coupling at 0.65");
    const float coupling = parameter(c, 1);
    xcheck::check(std::fabs(coupling - 0.65f) < 1e-6f,
                  "coupling knob: value " + std::to_string(coupling) + ", want 0.65");
    xcheck::check(parameterText(c.effect, 1) == "65",
                  "coupling knob: text " + parameterText(c.effect, 1) + ", want 65");
    xcheck::check(parameter(c, 0) == 0.5f, "coupling knob leaves the trim alone");
}

// The bypass button toggles parameter 4; while bypassed the tone passes untouched.
void checkBypass(InputContext& c) {
    c.input.click(842, 511);
    waitForParameter(c, 4, 1.0f, 0.0f, "bypass set");
    xcheck::check(parameter(c, 4) == 1.0f, "bypass button sets parameter 4");
    xcheck::check(parameterText(c.effect, 4) == "BYPASS",
                  "bypass: text " + parameterText(c.effect, 4) + ", want BYPASS");
    const double level = levelDb(c.feed, c.pump, 1000.0f);
    xcheck::check(std::fabs(level) < 0.05, "bypass: 1 kHz passes untouched, " + dB(level));
    c.input.click(842, 511);
    waitForParameter(c, 4, 0.0f, 0.0f, "bypass cleared");
    xcheck::check(parameter(c, 4) == 0.0f, "bypass button clears parameter 4");
    xcheck::check(parameterText(c.effect, 4) == "ACTIVE",
                  "bypass: text " + parameterText(c.effect, 4) + ", want ACTIVE");
}
