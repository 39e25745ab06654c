#include "platform/x11/WindowManager.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <thread>

#include "platform/x11/XErrorGuard.h"

namespace platform::x11 {

namespace {
Atom atom(Display* display, const char* name) {
    return XInternAtom(display, name, False);
}
}  // namespace

void sendWindowManagerMessage(Display* display, WindowId window, const char* type,
                              const MessageData& data) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = atom(display, type);
    event.xclient.format = 32;
    for (std::size_t i = 0; i < data.size(); ++i) event.xclient.data.l[i] = data[i];
    XSendEvent(display, DefaultRootWindow(display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

void changeWindowState(Display* display, WindowId window, bool add, const char* first,
                       const char* second, RequestSource source) {
    constexpr long Remove = 0, Add = 1;
    sendWindowManagerMessage(display, window, "_NET_WM_STATE",
                             {add ? Add : Remove, static_cast<long>(atom(display, first)),
                              static_cast<long>(atom(display, second)), static_cast<long>(source)});
}

bool hasWindowManager(Display* display) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const bool found =
        XGetWindowProperty(display, DefaultRootWindow(display),
                           atom(display, "_NET_SUPPORTING_WM_CHECK"), 0, 1, False, XA_WINDOW, &type,
                           &format, &count, &after, &data) == Success &&
        data != nullptr && count == 1;
    if (data != nullptr)
        XFree(data);
    return found;
}

bool hasFocus(Display* display, WindowId window) {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    const XErrorGuard quiet(display);
    // The focus may sit on a child of the window.
    for (int depth = 0; focus != 0 && focus != PointerRoot && depth < 8; ++depth) {
        if (focus == window)
            return true;
        Window ignoredRoot = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display, focus, &ignoredRoot, &parent, &children, &count))
            return false;
        if (children != nullptr)
            XFree(children);
        focus = parent == DefaultRootWindow(display) ? 0 : parent;
    }
    return false;
}

void bringToFront(Display* display, WindowId window, std::chrono::milliseconds limit) {
    {
        const XErrorGuard quiet(display);
        const auto user = static_cast<long>(RequestSource::User);
        changeWindowState(display, window, true, "_NET_WM_STATE_FULLSCREEN", "_NET_WM_STATE_ABOVE",
                          RequestSource::User);
        sendWindowManagerMessage(display, window, "_NET_ACTIVE_WINDOW",
                                 {user, CurrentTime, 0, user});
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!hasFocus(display, window) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

}  // namespace platform::x11
