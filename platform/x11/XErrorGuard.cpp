#include "platform/x11/XErrorGuard.h"

#include <X11/Xlib.h>

namespace platform::x11 {

namespace {
// The innermost guard of this thread. Xlib's handler takes no context of ours, so this is the
// one way to reach the guard from it; Xlib calls the handler on the thread that made the call.
thread_local XErrorGuard* innermost = nullptr;
}  // namespace

struct XErrorNote {
    static int handle(Display*, XErrorEvent* event) {
        if (innermost != nullptr)
            innermost->lastError_ = event->error_code;
        return 0;
    }
};

XErrorGuard::XErrorGuard(Display* display) : display_(display), outer_(innermost) {
    XSync(display_, False);
    previousHandler_ = reinterpret_cast<AnyHandler>(XSetErrorHandler(XErrorNote::handle));
    innermost = this;
}

XErrorGuard::~XErrorGuard() {
    XSync(display_, False);
    XSetErrorHandler(reinterpret_cast<XErrorHandler>(previousHandler_));
    innermost = outer_;
}

namespace {

// Xlib's own handler would print its remark about the lost server; the program says what that
// means in its own words.
int quietAboutLoss(Display*) {
    return 0;
}

void noteLoss(Display*, void* lost) {
    *static_cast<bool*>(lost) = true;
}

}  // namespace

void keepProcessOnLoss(Display* display, bool& lost) {
    XSetIOErrorHandler(quietAboutLoss);
    XSetIOErrorExitHandler(display, noteLoss, &lost);
}

int XErrorGuard::lastError() {
    XSync(display_, False);
    return lastError_;
}

}  // namespace platform::x11
