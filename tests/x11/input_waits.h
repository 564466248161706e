// Waiting for a gesture's effect. The plug-in takes its X events in its idle calls, so
// after a gesture the UI thread idles until the change the gesture must make is seen, or
// the deadline has passed; the check after the wait then judges the result as the wine
// test does. A wait that runs out is printed (not counted: the check after it fails).
#pragma once

#include "tests/x11/input_gestures.h"
#include "tests/x11/x11_picture.h"

#include <functional>
#include <string>

// Until getParameter(index) is within `tolerance` of `value`.
void waitForParameter(InputContext& c, int index, float value, float tolerance, const char* what);
// With the tone at `hz`, until the level of a block after the plug-in satisfies `reached`.
void waitForLevel(InputContext& c, float hz, const std::function<bool(double)>& reached,
                  const char* what);
// Until the picture of `box` of the editor window satisfies `reached`; answers the last
// picture taken.
Picture waitForPicture(InputContext& c, int x, int y, int width, int height,
                       const std::function<bool(const Picture&)>& reached, const char* what);

// The parameter's text as the dispatcher gives it to a host.
std::string parameterText(AEffect* effect, int index);
std::string dB(double value);
