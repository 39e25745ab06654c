#pragma once
// The X display and resources as the headers of this folder name them: the display only
// declared, a window by its XID. Xlib's macros (None, Bool, Status ...) clash with Qt, UNO and
// GoogleTest, so Xlib itself is included by the .cpp files alone.
struct _XDisplay;
struct _XImage;

namespace platform::x11 {

using WindowId = unsigned long;

// A rectangle of a window, as X reports drawing (an XRectangle).
struct WindowArea {
    short x = 0, y = 0;
    unsigned short width = 0, height = 0;
};

}  // namespace platform::x11
