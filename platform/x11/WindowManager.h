#pragma once
// The window manager, by the rules window managers share (EWMH): whether one runs, where the
// focus is, and requests to it, which go as client messages to the root window.
#include <array>
#include <chrono>

#include "platform/x11/XTypes.h"

namespace platform::x11 {

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

// Whether a window manager that follows these rules runs on the display.
bool hasWindowManager(_XDisplay* display);

// Whether `window`, or a window inside it, has the input focus.
bool hasFocus(_XDisplay* display, WindowId window);

// Asks the window manager to make `window` full screen, above the others and active, as a
// pager does for the user; then waits up to `limit` for the focus to be there.
void bringToFront(_XDisplay* display, WindowId window, std::chrono::milliseconds limit);

}  // namespace platform::x11
