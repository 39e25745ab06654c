#include "platform/x11/ShowWindow.h"

#include <X11/Xlib.h>

#include <memory>
#include <set>
#include <stdexcept>
#include <thread>

#include "platform/x11/BusySign.h"
#include "platform/x11/DamageWatch.h"
#include "platform/x11/OfficeWindows.h"
#include "platform/x11/WindowManager.h"
#include "platform/x11/XErrorGuard.h"

namespace platform {
namespace {

using x11::Clock;
using namespace std::chrono_literals;

// A slide is drawn in one copy of the whole frame; drawing that stops this long is over.
constexpr auto QuietAfterDrawing = 20ms;
constexpr auto FocusWait = 500ms;

}  // namespace

struct ShowWindow::Impl {
    Impl(Display* connection, int damageEventBase, long officePid)
        : display(connection),
          pid(officePid),
          damage(connection, damageEventBase,
                 [this](const x11::WindowArea& drawn, long) { noteDrawing(drawn); }) {
        for (x11::WindowId window : x11::windowsOfProcess(display, pid)) before.insert(window);
    }

    // A whole frame (at least a sixteenth of the window in one copy) or the small drawing of the
    // busy sign.
    void noteDrawing(const x11::WindowArea& drawn) {
        if (!sign)
            return;
        const long size = static_cast<long>(drawn.width) * drawn.height;
        if (size * 16 >= area)
            sign->noteFrame();
        else
            sign->noteSign(drawn);
    }

    Display* display;
    bool lost = false;  // the server ended: calls on the connection fail from then on
    long pid;
    std::set<x11::WindowId> before;  // the office's windows before its show
    long area = 0;                   // of the show window
    bool managed = false;            // an EWMH window manager runs
    x11::DamageWatch damage;         // of the show window, once found
    std::unique_ptr<x11::BusySign> sign;
};

ShowWindow::ShowWindow(const std::string& displayName, long officePid) {
    Display* display = XOpenDisplay(displayName.c_str());
    if (display == nullptr)
        throw std::runtime_error("cannot open the X display \"" + displayName + "\"");
    int damageEventBase = 0;
    if (!x11::hasDamageExtension(display, damageEventBase) ||
        !x11::canFindProcessWindows(display)) {
        XCloseDisplay(display);
        throw std::runtime_error("the X display \"" + displayName +
                                 "\" lacks the DAMAGE or X-Resource extension");
    }
    impl_ = std::make_unique<Impl>(display, damageEventBase, officePid);
    x11::keepProcessOnLoss(display, impl_->lost);
}

ShowWindow::~ShowWindow() {
    Display* display = impl_->display;
    impl_.reset();
    XCloseDisplay(display);
}

void ShowWindow::waitUntilSettled(std::chrono::milliseconds quiet,
                                  std::chrono::milliseconds limit) {
    x11::waitUntilUndisturbed(impl_->display, impl_->before, quiet, limit);
}

bool ShowWindow::find(std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    for (;;) {
        const x11::ShownWindow shown =
            x11::largestNewWindow(impl_->display, impl_->pid, impl_->before);
        if (shown.window != 0) {
            const x11::XErrorGuard quiet(impl_->display);
            impl_->area = shown.area;
            impl_->managed = x11::hasWindowManager(impl_->display);
            impl_->sign = std::make_unique<x11::BusySign>(impl_->display, shown.window);
            impl_->damage.watch(shown.window);
            return true;
        }
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(10ms);
    }
}

void ShowWindow::keepInFront() {
    // Without a window manager the show's own window is on top and LibreOffice keeps its focus;
    // moving the focus there ourselves makes the show draw a pause sign over the slide.
    const x11::WindowId show = impl_->damage.window();
    if (show == 0 || !impl_->managed || x11::hasFocus(impl_->display, show))
        return;
    x11::bringToFront(impl_->display, show, FocusWait);
    // Whatever it redraws on the way belongs to the slide it shows now.
    waitForFrame(0ms);
}

void ShowWindow::markDrawn() {
    XSync(impl_->display, False);
    impl_->damage.takeEvents();
    impl_->damage.resetDrawn();
}

bool ShowWindow::waitForFrame(std::chrono::milliseconds limit) {
    x11::DamageWatch& damage = impl_->damage;
    // A frame is a copy of at least a quarter of the window: less is the pointer or a blink.
    const auto frameArrived = [&] { return damage.drawnArea() * 4 >= impl_->area; };
    const auto deadline = Clock::now() + limit;
    XFlush(impl_->display);
    while (damage.window() != 0 && !frameArrived() && damage.waitForEvent(deadline)) {
        if (!damage.takeEvents())
            return false;
    }
    if (damage.window() == 0 || !damage.drawing())
        return false;
    // The office draws a slide in one copy of the whole frame: that one is complete at once.
    if (damage.largestDrawn() >= impl_->area) {
        damage.resetDrawn();
        return true;
    }
    // Drawn in stages: on until nothing more comes for a moment (never for ever).
    if (!damage.takeEventsUntilQuiet(QuietAfterDrawing, Clock::now() + 1000ms))
        return false;
    const bool arrived = frameArrived();
    damage.resetDrawn();
    return arrived;
}

void ShowWindow::takeDownBusySign(std::chrono::milliseconds limit) {
    if (impl_->damage.window() != 0)
        impl_->sign->takeDown(impl_->damage, Clock::now() + limit);
}

void ShowWindow::waitForStillness(std::chrono::milliseconds quiet,
                                  std::chrono::milliseconds limit) {
    impl_->damage.takeEventsUntilQuiet(quiet, Clock::now() + limit);
}

bool ShowWindow::showsOnlyBlack() {
    const x11::WindowId show = impl_->damage.window();
    return show != 0 && x11::holdsOnlyBlack(impl_->display, show);
}

}  // namespace platform
