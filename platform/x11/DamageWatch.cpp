#include "platform/x11/DamageWatch.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>

#include <algorithm>
#include <vector>

#include "platform/x11/XErrorGuard.h"

namespace platform::x11 {

bool hasDamageExtension(Display* display, int& eventBase) {
    int errorBase = 0;
    return XDamageQueryExtension(display, &eventBase, &errorBase);
}

bool waitForEvent(Display* display, Clock::time_point deadline) {
    if (XPending(display) > 0)
        return true;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0)
        return false;
    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    return ::poll(&connection, 1, static_cast<int>(left.count())) > 0 && XPending(display) > 0;
}

void waitUntilUndisturbed(Display* display, const std::set<WindowId>& windows,
                          std::chrono::milliseconds quiet, std::chrono::milliseconds limit) {
    std::vector<Damage> watched;
    {
        const XErrorGuard errors(display);
        for (WindowId window : windows) {
            XWindowAttributes attributes{};
            if (!XGetWindowAttributes(display, window, &attributes) ||
                attributes.map_state != IsViewable)
                continue;
            XSelectInput(display, window, StructureNotifyMask);
            watched.push_back(XDamageCreate(display, window, XDamageReportRawRectangles));
        }
    }
    const auto end = Clock::now() + limit;
    while (Clock::now() < end && waitForEvent(display, std::min(end, Clock::now() + quiet))) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
        }
    }
    const XErrorGuard errors(display);
    for (Damage damage : watched) XDamageDestroy(display, damage);
    for (WindowId window : windows) XSelectInput(display, window, NoEventMask);
}

DamageWatch::DamageWatch(Display* display, int damageEventBase, OnDrawn onDrawn)
    : display_(display), damageEventBase_(damageEventBase), onDrawn_(std::move(onDrawn)) {}

DamageWatch::~DamageWatch() {
    if (damage_ != 0) {
        const XErrorGuard quiet(display_);
        XDamageDestroy(display_, damage_);
    }
}

void DamageWatch::watch(WindowId window) {
    const XErrorGuard quiet(display_);
    window_ = window;
    XSelectInput(display_, window, StructureNotifyMask | FocusChangeMask);
    damage_ = XDamageCreate(display_, window, XDamageReportRawRectangles);
}

bool DamageWatch::takeEvents() {
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == damageEventBase_ + XDamageNotify) {
            const auto& notify = reinterpret_cast<const XDamageNotifyEvent&>(event);
            const long area = static_cast<long>(notify.area.width) * notify.area.height;
            drawnArea_ += area;
            largestDrawn_ = std::max(largestDrawn_, area);
            drawing_ = true;
            onDrawn_({notify.area.x, notify.area.y, notify.area.width, notify.area.height},
                     drawnArea_);
        } else if ((event.type == DestroyNotify || event.type == UnmapNotify) &&
                   event.xany.window == window_) {
            window_ = 0;
            return false;
        }
    }
    return true;
}

bool DamageWatch::takeEventsUntilQuiet(std::chrono::milliseconds quiet, Clock::time_point end) {
    while (Clock::now() < end && waitForEvent(std::min(end, Clock::now() + quiet))) {
        if (!takeEvents())
            return false;
    }
    return true;
}

bool DamageWatch::waitForEvent(Clock::time_point deadline) const {
    return x11::waitForEvent(display_, deadline);
}

}  // namespace platform::x11
