// The X protocol errors the server sends to every client, seen through the RECORD
// extension. A plug-in may trap the errors of its own connection with an Xlib handler of
// its own, so the host's handler never sees them; the server still sends them, and
// RECORD hands a copy to us. An error means the plug-in asked for something wrong (drew
// into a window that is gone, freed a resource twice), which in a host without a trap
// ends the process.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/record.h>

#include <string>
#include <vector>

class ServerErrorLog {
  public:
    ServerErrorLog() = default;
    ~ServerErrorLog();
    ServerErrorLog(const ServerErrorLog&) = delete;
    ServerErrorLog& operator=(const ServerErrorLog&) = delete;

    // Opens two connections of its own (RECORD takes one over for its data), starts
    // recording and waits until recording has begun; `error` says what failed.
    bool start(std::string& error);
    // Waits until everything the server did before now has come in; false past the
    // deadline. Errors of requests a client has seen answered are then all counted.
    bool catchUp();
    // Errors counted so far that went to clients other than the one `host` is.
    int errorsToOthers(Display* host) const;

  private:
    static void onRecord(XPointer self, XRecordInterceptData* data);
    void take(const XRecordInterceptData& data);
    bool readUntil(const bool& flag);

    Display* control_ = nullptr;
    Display* data_ = nullptr;
    XRecordContext context_ = 0;
    XID controlClient_ = 0;
    bool started_ = false;
    bool fenceSeen_ = false;
    bool ended_ = false;
    std::vector<XID> errorClients_; // the client of each error, as its resource base
};

// No error went from the server to the plug-in's connections, and none came to the host's
// (x11_errors.h).
void checkNoXErrors(ServerErrorLog& errors, Display* host);
