#pragma once
// Requests to the window manager, by the rules window managers share (EWMH): they go as client
// messages to the root window, which the window manager alone receives. Xlib stays out of this
// header: the display is only declared, a window is its XID.
#include <array>

struct _XDisplay;

namespace platform::x11 {

using WindowId = unsigned long;

// Who asks, as the window manager weighs it: an application, or a tool acting for the user.
enum class RequestSource : long { Application = 1, User = 2 };

// The first four data words of a message; what they mean depends on the message.
using MessageData = std::array<long, 4>;

// Sends the message named `type` (e.g. "_NET_ACTIVE_WINDOW") about `window`.
void sendWindowManagerMessage(_XDisplay* display, WindowId window, const char* type,
                              const MessageData& data);

// Adds (or removes) two _NET_WM_STATE states of `window`, e.g. "_NET_WM_STATE_FULLSCREEN".
void changeWindowState(_XDisplay* display, WindowId window, bool add, const char* first,
                       const char* second, RequestSource source);

}  // namespace platform::x11
