#include "platform/x11/BusySign.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>

#include "platform/x11/XErrorGuard.h"

namespace platform::x11 {

namespace {

using namespace std::chrono_literals;

// The office repaints the corner of its busy sign once it has prepared the next slide; that
// repaint is one copy.
constexpr auto RepaintLimit = 300ms;
constexpr auto QuietAfterRepaint = 5ms;
constexpr int RepaintRounds = 3;

std::vector<unsigned long> pixelsIn(XImage* image, const WindowArea& area) {
    std::vector<unsigned long> pixels;
    for (int y = area.y; y < area.y + area.height && y < image->height; ++y) {
        for (int x = area.x; x < area.x + area.width && x < image->width; ++x)
            pixels.push_back(XGetPixel(image, x, y));
    }
    return pixels;
}

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

BusySign::~BusySign() {
    forgetFrame();
}

std::vector<unsigned long> BusySign::pixelsOf(const WindowArea& area) const {
    XImage* image =
        XGetImage(display_, show_, area.x, area.y, area.width, area.height, AllPlanes, ZPixmap);
    if (image == nullptr)
        return {};
    const std::vector<unsigned long> pixels = pixelsIn(image, {0, 0, area.width, area.height});
    XDestroyImage(image);
    return pixels;
}

void BusySign::forgetFrame() {
    if (lastFrame_ != nullptr)
        XDestroyImage(lastFrame_);
    lastFrame_ = nullptr;
}

void BusySign::noteFrame() {
    forgetFrame();
    cleanCorner_.clear();
    if (sign_) {
        cleanCorner_ = pixelsOf(*sign_);
        return;
    }
    lastFrame_ = wholeWindow(display_, show_);
}

void BusySign::noteSign(const WindowArea& area) {
    if (!sign_ && lastFrame_ != nullptr)
        cleanCorner_ = pixelsIn(lastFrame_, area);
    if (!sign_)
        sign_ = area;
    forgetFrame();
}

bool BusySign::takeDown(DamageWatch& damage, Clock::time_point end) {
    XSync(display_, False);
    if (!damage.takeEvents())
        return false;
    for (int round = 0;
         round < RepaintRounds && sign_ && !cleanCorner_.empty() && Clock::now() < end; ++round) {
        if (pixelsOf(*sign_) == cleanCorner_)
            return true;
        damage.resetDrawing();
        XClearArea(display_, show_, sign_->x, sign_->y, sign_->width, sign_->height, True);
        const auto repaintEnd = std::min(end, Clock::now() + RepaintLimit);
        while (damage.window() != 0 && !damage.drawing() && damage.waitForEvent(repaintEnd)) {
            if (!damage.takeEvents())
                return false;
        }
        if (!damage.takeEventsUntilQuiet(QuietAfterRepaint, end))
            return false;
    }
    return true;
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
