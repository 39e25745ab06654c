#include "platform/x11/BusySign.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>

#include "platform/x11/XErrorGuard.h"

namespace platform::x11 {

namespace {

using namespace std::chrono_literals;

// The sign comes off before the office says it is done with the slide; its drawing may still be
// on the way when the word arrives.
constexpr auto OwnTakeDownLimit = 50ms;

// What the window holds now, whole; null when it cannot be read.
XImage* wholeWindow(Display* display, WindowId window) {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, window, &attributes))
        return nullptr;
    return XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                     static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
}

}  // namespace

BusySign::BusySign(Display* display, WindowId show) : display_(display), show_(show) {}

void BusySign::noteFrame() {
    frameSeen_ = true;
    up_ = false;
}

void BusySign::noteSign(const WindowArea& area) {
    // Before the first frame there is no slide for a sign to stand on.
    if (!frameSeen_)
        return;
    up_ = !up_;
    area_ = area;
}

bool BusySign::waitWhileUp(DamageWatch& damage, Clock::time_point end) {
    while (up_ && damage.window() != 0 && damage.waitForEvent(end)) {
        if (!damage.takeEvents())
            return false;
    }
    return damage.window() != 0;
}

bool BusySign::takeDown(DamageWatch& damage, Clock::time_point end) {
    // All drawing the server did before now is among our events once the round trip is back.
    XSync(display_, False);
    if (!damage.takeEvents() ||
        !waitWhileUp(damage, std::min(end, Clock::now() + OwnTakeDownLimit)))
        return false;
    if (!up_ || !area_)
        return true;
    // The office repaints a cleared corner from the slide it holds, without the sign.
    {
        const XErrorGuard quiet(display_);
        XClearArea(display_, show_, area_->x, area_->y, area_->width, area_->height, True);
    }
    return waitWhileUp(damage, end);
}

bool holdsOnlyBlack(Display* display, WindowId window) {
    const XErrorGuard quiet(display);
    XImage* image = wholeWindow(display, window);
    if (image == nullptr)
        return false;
    const unsigned long colour = image->red_mask | image->green_mask | image->blue_mask;
    bool black = true;
    for (int y = 0; y < image->height && black; y += 2) {
        for (int x = 0; x < image->width && black; x += 2)
            black = (XGetPixel(image, x, y) & colour) == 0;
    }
    XDestroyImage(image);
    return black;
}

}  // namespace platform::x11
