#pragma once
// Which windows on an X display a process opened: those of the X clients it connected, as the
// X-Resource extension tells (a window the office opens, such as its slide show, may carry no
// property that names the process).
#include <set>
#include <vector>

#include "platform/x11/XTypes.h"

namespace platform::x11 {

// Whether the display can tell which process a client is (the X-Resource extension).
bool canFindProcessWindows(_XDisplay* display);

// The windows of process `pid`: top-level ones, and under a window manager its frames' children.
std::vector<WindowId> windowsOfProcess(_XDisplay* display, long pid);

struct ShownWindow {
    WindowId window = 0;  // 0: none
    long area = 0;        // in pixels
};

// The largest window on the screen that process `pid` opened and that is not among `before`.
ShownWindow largestNewWindow(_XDisplay* display, long pid, const std::set<WindowId>& before);

}  // namespace platform::x11
