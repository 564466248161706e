#include "tests/x11/server_error_log.h"

#include "tests/x11/x11_check.h"
#include "tests/x11/x11_errors.h"

#include <X11/Xproto.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <poll.h>

namespace {

XID clientBase(Display* display) {
    return XAllocID(display) & XRecordIdBaseMask(display);
}

} // namespace

ServerErrorLog::~ServerErrorLog() {
    if (context_ != 0) {
        XRecordDisableContext(control_, context_);
        XSync(control_, False);
        readUntil(ended_);
        XRecordFreeContext(control_, context_);
    }
    if (data_ != nullptr) {
        XCloseDisplay(data_);
    }
    if (control_ != nullptr) {
        XCloseDisplay(control_);
    }
}

bool ServerErrorLog::start(std::string& error) {
    control_ = XOpenDisplay(nullptr);
    data_ = XOpenDisplay(nullptr);
    int major = 0, minor = 0;
    if (control_ == nullptr || data_ == nullptr) {
        error = "cannot open the display for RECORD";
        return false;
    }
    if (XRecordQueryVersion(control_, &major, &minor) == 0) {
        error = "the X server has no RECORD extension";
        return false;
    }
    controlClient_ = clientBase(control_);
    XRecordRange* range = XRecordAllocRange();
    range->errors = {1, 255}; // every error code (0 is no error)
    // Our own no-op requests mark how far the recording has come (catchUp).
    range->core_requests = {X_NoOperation, X_NoOperation};
    XRecordClientSpec clients = XRecordAllClients;
    context_ = XRecordCreateContext(control_, 0, &clients, 1, &range, 1);
    XFree(range);
    XSync(control_, False);
    if (context_ == 0 || XRecordEnableContextAsync(data_, context_, onRecord,
                                                   reinterpret_cast<XPointer>(this)) == 0) {
        error = "RECORD refused the context";
        return false;
    }
    if (!readUntil(started_)) {
        error = "RECORD did not start";
        return false;
    }
    return true;
}

void ServerErrorLog::onRecord(XPointer self, XRecordInterceptData* data) {
    reinterpret_cast<ServerErrorLog*>(self)->take(*data);
    XRecordFreeData(data);
}

void ServerErrorLog::take(const XRecordInterceptData& d) {
    if (d.category == XRecordStartOfData) {
        started_ = true;
    } else if (d.category == XRecordEndOfData) {
        ended_ = true;
    } else if (d.category == XRecordFromClient && d.id_base == controlClient_) {
        fenceSeen_ = true;
    } else if (d.category == XRecordFromServer && d.data != nullptr && d.data[0] == X_Error) {
        // Only errors: the server also hands over events whose second byte falls in the
        // error range, as if it were an error code.
        const auto* e = reinterpret_cast<const xError*>(d.data);
        errorClients_.push_back(d.id_base);
        std::printf("X server sent client 0x%lx error %d (request %d.%d, resource 0x%x)\n",
                    d.id_base, e->errorCode, e->majorCode, e->minorCode,
                    static_cast<unsigned>(e->resourceID));
    }
}

// Takes recorded data until `flag` is set; the data connection is read as data arrives.
bool ServerErrorLog::readUntil(const bool& flag) {
    const auto start = std::chrono::steady_clock::now();
    while (!flag && std::chrono::steady_clock::now() - start < xcheck::kDeadline) {
        XRecordProcessReplies(data_);
        if (!flag) {
            pollfd p{ConnectionNumber(data_), POLLIN, 0};
            poll(&p, 1, 10);
        }
    }
    return flag;
}

bool ServerErrorLog::catchUp() {
    if (context_ == 0) {
        return false;
    }
    // The server records in the order it works: once our no-op is in, so is every error
    // it sent before handling it. It sends what it recorded along with its next output to
    // any client, so the no-op is followed by a request with a reply.
    fenceSeen_ = false;
    XNoOp(control_);
    XSync(control_, False);
    return readUntil(fenceSeen_);
}

int ServerErrorLog::errorsToOthers(Display* host) const {
    const XID hostClient = clientBase(host);
    return static_cast<int>(std::count_if(errorClients_.begin(), errorClients_.end(),
                                          [&](XID c) { return c != hostClient; }));
}

void checkNoXErrors(ServerErrorLog& errors, Display* host) {
    const bool complete = errors.catchUp();
    const int toPlugin = errors.errorsToOthers(host);
    xcheck::check(complete && toPlugin == 0,
                  "the server sent the plug-in's connections no X errors (" +
                      xcheck::str(toPlugin) + (complete ? ")" : ", recording incomplete)"));
    xcheck::check(xerrors::hostErrors() == 0, "no X protocol errors on the host's connection (" +
                                                  xcheck::str(xerrors::hostErrors()) + ")");
}
