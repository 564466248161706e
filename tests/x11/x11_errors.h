// X protocol errors recorded instead of ending the process: Xlib's default handler exits
// on the first error, which would turn one bad request into a lost test run. The handler
// is process-wide, so it is also called for the plug-in's connection unless the plug-in
// traps its errors itself; what the server sends the plug-in is judged through RECORD
// (server_error_log.h), which sees past any trap. Here only the host's own count is kept.
#pragma once

#include <X11/Xlib.h>

namespace xerrors {

// Installs the recording handler; errors on `host` count as the host's own, others are
// printed.
void install(Display* host);
int hostErrors();

} // namespace xerrors
