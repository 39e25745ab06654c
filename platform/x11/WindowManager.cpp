#include "platform/x11/WindowManager.h"

#include <X11/Xlib.h>

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

}  // namespace platform::x11
