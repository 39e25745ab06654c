#include "platform/x11/OfficeWindows.h"

#include <X11/Xlib.h>
#include <X11/extensions/XRes.h>

#include "platform/x11/XErrorGuard.h"

namespace platform::x11 {

namespace {

// The resource ids one X client owns: those equal to `base` outside `mask`.
struct Client {
    XID base = 0, mask = 0;
};

std::vector<Client> clientsOfProcess(Display* display, long pid) {
    std::vector<Client> clients;
    XResClientIdSpec all{0, XRES_CLIENT_ID_PID_MASK};
    long count = 0;
    XResClientIdValue* ids = nullptr;
    if (XResQueryClientIds(display, 1, &all, &count, &ids) != Success)
        return clients;
    std::vector<XID> bases;
    for (long i = 0; i < count; ++i) {
        const auto& [client, length, value] = ids[i];
        if (XResGetClientPid(&ids[i]) == pid)
            bases.push_back(client.client);
    }
    XResClientIdsDestroy(count, ids);
    int total = 0;
    XResClient* known = nullptr;
    if (bases.empty() || !XResQueryClients(display, &total, &known))
        return clients;
    for (int i = 0; i < total; ++i) {
        for (XID base : bases) {
            if ((base & ~known[i].resource_mask) == known[i].resource_base)
                clients.push_back({known[i].resource_base, known[i].resource_mask});
        }
    }
    XFree(known);
    return clients;
}

// Top-level windows, and under a window manager its frames' children.
void collect(Display* display, Window parent, int depth, const std::vector<Client>& clients,
             std::vector<WindowId>& out) {
    Window ignoredRoot = 0, ignoredParent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, parent, &ignoredRoot, &ignoredParent, &children, &count))
        return;
    for (unsigned i = 0; i < count; ++i) {
        bool ours = false;
        for (const Client& client : clients)
            ours = ours || (children[i] & ~client.mask) == client.base;
        if (ours)
            out.push_back(children[i]);
        else if (depth < 2)
            collect(display, children[i], depth + 1, clients, out);
    }
    if (children != nullptr)
        XFree(children);
}

}  // namespace

bool canFindProcessWindows(Display* display) {
    int eventBase = 0, errorBase = 0;
    return XResQueryExtension(display, &eventBase, &errorBase);
}

// Windows vanish while we look at them (the office closes its own): the X errors that makes
// mean "gone".
std::vector<WindowId> windowsOfProcess(Display* display, long pid) {
    const XErrorGuard quiet(display);
    std::vector<WindowId> windows;
    const std::vector<Client> clients = clientsOfProcess(display, pid);
    if (!clients.empty())
        collect(display, DefaultRootWindow(display), 0, clients, windows);
    return windows;
}

ShownWindow largestNewWindow(Display* display, long pid, const std::set<WindowId>& before) {
    ShownWindow best;
    const XErrorGuard quiet(display);
    for (WindowId window : windowsOfProcess(display, pid)) {
        XWindowAttributes attributes{};
        if (before.count(window) != 0 || !XGetWindowAttributes(display, window, &attributes) ||
            attributes.map_state != IsViewable)
            continue;
        const long size = static_cast<long>(attributes.width) * attributes.height;
        if (size > best.area)
            best = {window, size};
    }
    return best;
}

}  // namespace platform::x11
