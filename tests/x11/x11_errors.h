// X protocol errors recorded instead of ending the process: Xlib's default handler exits
// on the first error, which would turn a plug-in's bad request into a lost test run. The
// handler is process-wide, so it also sees the errors of the plug-in's own connection;
// those are told apart from the host's by their display.
#pragma once

#include <X11/Xlib.h>

namespace xerrors {

// Installs the recording handler; errors on `host` count as the host's own.
void install(Display* host);
// Errors seen so far on connections other than the host's (the plug-in's).
int pluginErrors();
int hostErrors();
// Whether the recording handler is still the installed one (a plug-in may replace it).
bool handlerInstalled();

} // namespace xerrors
