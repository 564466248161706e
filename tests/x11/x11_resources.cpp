#include "tests/x11/x11_resources.h"

#include <X11/extensions/XRes.h>

#include <fstream>
#include <unistd.h>

bool haveXRes(Display* display) {
    int event = 0, error = 0;
    return XResQueryExtension(display, &event, &error) != 0;
}

ServerCounts serverCounts(Display* display) {
    ServerCounts counts;
    int count = 0;
    XResClient* clients = nullptr;
    if (XResQueryClients(display, &count, &clients) == 0) {
        return counts;
    }
    long resources = 0;
    bool complete = true;
    for (int i = 0; i < count; ++i) {
        int types = 0;
        XResType* perType = nullptr;
        if (XResQueryClientResources(display, clients[i].resource_base, &types, &perType) == 0) {
            complete = false; // the client went away between the two questions
            continue;
        }
        for (int t = 0; t < types; ++t) {
            resources += perType[t].count;
        }
        XFree(perType);
    }
    XFree(clients);
    if (complete) {
        counts.clients = count;
        counts.resources = resources;
    }
    return counts;
}

XID clientOf(Display* display, XID resource) {
    int count = 0;
    XResClient* clients = nullptr;
    XID base = 0;
    if (XResQueryClients(display, &count, &clients) != 0) {
        for (int i = 0; i < count; ++i) {
            if ((resource & ~clients[i].resource_mask) == clients[i].resource_base) {
                base = clients[i].resource_base;
            }
        }
        XFree(clients);
    }
    return base;
}

bool clientConnected(Display* display, XID base) {
    int count = 0;
    XResClient* clients = nullptr;
    bool found = false;
    if (XResQueryClients(display, &count, &clients) != 0) {
        for (int i = 0; i < count; ++i) {
            found = found || clients[i].resource_base == base;
        }
        XFree(clients);
    }
    return found;
}

long residentKiB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = -1;
    if (!(statm >> size >> resident)) {
        return -1;
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}
