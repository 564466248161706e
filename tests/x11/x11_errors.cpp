#include "tests/x11/x11_errors.h"

#include <cstdio>

namespace xerrors {
namespace {

Display* hostDisplay = nullptr;
int host = 0;

int record(Display* display, XErrorEvent* error) {
    const bool own = display == hostDisplay;
    host += own ? 1 : 0;
    char text[128] = {};
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::printf("X error on the %s connection: %s (request %d.%d, resource 0x%lx)\n",
                own ? "host's" : "plug-in's", text, error->request_code, error->minor_code,
                error->resourceid);
    return 0;
}

} // namespace

void install(Display* display) {
    hostDisplay = display;
    XSetErrorHandler(record);
}

int hostErrors() {
    return host;
}

} // namespace xerrors
