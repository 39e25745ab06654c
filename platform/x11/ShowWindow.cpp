#include "platform/x11/ShowWindow.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>

#include <algorithm>
#include <optional>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/x11/WindowManager.h"
#include "platform/x11/XErrorGuard.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A slide is drawn in one copy of the whole frame; drawing that stops this long is over.
constexpr auto QuietAfterDrawing = 20ms;
constexpr auto FocusWait = 500ms;
// The office repaints the corner of its busy sign once it has prepared the next slide; that
// repaint is one copy.
constexpr auto BusySignLimit = 300ms;
constexpr auto QuietAfterRepaint = 5ms;

}  // namespace

// Windows vanish while we look at them (the office closes its own): the X errors that makes,
// under an XErrorGuard, mean "gone", never the end of the process that Xlib's default handler
// would make of them.
struct ShowWindow::Impl {
    Display* display = nullptr;
    long pid = 0;
    int damageEvent = 0;
    std::set<Window> before;  // the office's windows before its show
    Window show = 0;
    Damage damage = 0;
    long area = 0;         // of the show window
    long drawnArea = 0;    // damaged since markDrawn()
    bool drawing = false;  // the last wait saw drawing that may not be over
    bool managed = false;  // an EWMH window manager runs
    // Where the office draws its busy sign (small drawing after a frame), once seen, and what
    // that corner held right after the last frame, before the sign came. Until the sign has
    // been seen, the whole of the last frame is kept instead.
    std::optional<XRectangle> sign;
    std::vector<unsigned long> cleanCorner;
    XImage* lastFrame = nullptr;

    static std::vector<unsigned long> pixelsOf(XImage* image, const XRectangle& area) {
        std::vector<unsigned long> pixels;
        for (int y = area.y; y < area.y + area.height && y < image->height; ++y) {
            for (int x = area.x; x < area.x + area.width && x < image->width; ++x)
                pixels.push_back(XGetPixel(image, x, y));
        }
        return pixels;
    }
    std::vector<unsigned long> pixelsOf(const XRectangle& area) const {
        XImage* image =
            XGetImage(display, show, area.x, area.y, area.width, area.height, AllPlanes, ZPixmap);
        if (image == nullptr)
            return {};
        const std::vector<unsigned long> pixels = pixelsOf(image, {0, 0, area.width, area.height});
        XDestroyImage(image);
        return pixels;
    }
    // What the show's window holds now, whole; null when it cannot be read.
    XImage* wholeWindow() const {
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(display, show, &attributes))
            return nullptr;
        return XGetImage(display, show, 0, 0, static_cast<unsigned>(attributes.width),
                         static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    }
    void forgetFrame() {
        if (lastFrame != nullptr)
            XDestroyImage(lastFrame);
        lastFrame = nullptr;
    }
    // A whole frame was drawn: what the sign's corner holds now is the slide itself.
    void noteFrame() {
        forgetFrame();
        cleanCorner.clear();
        if (sign) {
            cleanCorner = pixelsOf(*sign);
            return;
        }
        lastFrame = wholeWindow();
    }
    void noteSign(const XRectangle& area) {
        if (!sign && lastFrame != nullptr)
            cleanCorner = pixelsOf(lastFrame, area);
        if (!sign)
            sign = area;
        forgetFrame();
    }

    // After drawing a slide the office prepares the next one under a busy sign in a corner,
    // and takes the sign down only at its next screen update, which may be the next move.
    // Asking it to repaint that corner shows the slide without the sign.
    bool takeDownSign(Clock::time_point end) {
        XSync(display, False);
        if (!takeEvents())
            return false;
        for (int round = 0; round < 3 && sign && !cleanCorner.empty() && Clock::now() < end;
             ++round) {
            if (pixelsOf(*sign) == cleanCorner)
                return true;
            drawing = false;
            XClearArea(display, show, sign->x, sign->y, sign->width, sign->height, True);
            const auto repaintEnd = std::min(end, Clock::now() + BusySignLimit);
            while (show != 0 && !drawing && waitForEvent(repaintEnd)) {
                if (!takeEvents())
                    return false;
            }
            if (!takeEventsUntilQuiet(QuietAfterRepaint, end))
                return false;
        }
        return true;
    }

    Window root() const { return DefaultRootWindow(display); }
    Atom atom(const char* name) const { return XInternAtom(display, name, False); }

    // Which windows are the office's: those of the X clients its process opened (the show's
    // window may carry no property that says so).
    struct Client {
        XID base = 0, mask = 0;
    };
    std::vector<Client> officeClients() const {
        std::vector<Client> clients;
        XResClientIdSpec all{0, XRES_CLIENT_ID_PID_MASK};
        long count = 0;
        XResClientIdValue* ids = nullptr;
        if (XResQueryClientIds(display, 1, &all, &count, &ids) != Success)
            return clients;
        std::vector<XID> bases;
        for (long i = 0; i < count; ++i) {
            const auto& [client, length, value] = ids[i];
            if (XResGetClientPid(&ids[i]) == pid)
                bases.push_back(client.client);
        }
        XResClientIdsDestroy(count, ids);
        int total = 0;
        XResClient* known = nullptr;
        if (bases.empty() || !XResQueryClients(display, &total, &known))
            return clients;
        for (int i = 0; i < total; ++i) {
            for (XID base : bases) {
                if ((base & ~known[i].resource_mask) == known[i].resource_base)
                    clients.push_back({known[i].resource_base, known[i].resource_mask});
            }
        }
        XFree(known);
        return clients;
    }

    // Top-level windows, and under a window manager its frames' children.
    void collect(Window parent, int depth, const std::vector<Client>& clients,
                 std::vector<Window>& out) const {
        Window ignoredRoot = 0, ignoredParent = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display, parent, &ignoredRoot, &ignoredParent, &children, &count))
            return;
        for (unsigned i = 0; i < count; ++i) {
            bool office = false;
            for (const Client& client : clients)
                office = office || (children[i] & ~client.mask) == client.base;
            if (office)
                out.push_back(children[i]);
            else if (depth < 2)
                collect(children[i], depth + 1, clients, out);
        }
        if (children != nullptr)
            XFree(children);
    }

    std::vector<Window> officeWindows() const {
        const x11::XErrorGuard quiet(display);
        std::vector<Window> windows;
        const std::vector<Client> clients = officeClients();
        if (!clients.empty())
            collect(root(), 0, clients, windows);
        return windows;
    }

    // The largest window on the screen that the office opened after `before` was noted.
    Window newestShown(long& shownArea) const {
        Window best = 0;
        shownArea = 0;
        const x11::XErrorGuard quiet(display);
        for (Window window : officeWindows()) {
            XWindowAttributes attributes{};
            if (before.count(window) != 0 || !XGetWindowAttributes(display, window, &attributes) ||
                attributes.map_state != IsViewable)
                continue;
            const long size = static_cast<long>(attributes.width) * attributes.height;
            if (size > shownArea) {
                best = window;
                shownArea = size;
            }
        }
        return best;
    }

    bool hasWindowManager() const {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        const bool found =
            XGetWindowProperty(display, root(), atom("_NET_SUPPORTING_WM_CHECK"), 0, 1, False,
                               XA_WINDOW, &type, &format, &count, &after, &data) == Success &&
            data != nullptr && count == 1;
        if (data != nullptr)
            XFree(data);
        return found;
    }

    bool focused() const {
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(display, &focus, &revert);
        const x11::XErrorGuard quiet(display);
        // The focus may sit on a child of the show's window.
        for (int depth = 0; focus != 0 && focus != PointerRoot && depth < 8; ++depth) {
            if (focus == show)
                return true;
            Window ignoredRoot = 0, parent = 0, *children = nullptr;
            unsigned count = 0;
            if (!XQueryTree(display, focus, &ignoredRoot, &parent, &children, &count))
                return false;
            if (children != nullptr)
                XFree(children);
            focus = parent == root() ? 0 : parent;
        }
        return false;
    }

    // Handles the events that have come; false when the show's window went away.
    bool takeEvents() {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == damageEvent + XDamageNotify) {
                const auto& notify = reinterpret_cast<const XDamageNotifyEvent&>(event);
                const long size = static_cast<long>(notify.area.width) * notify.area.height;
                drawnArea += size;
                drawing = true;
                if (size * 16 >= area)
                    noteFrame();
                else if (drawnArea * 4 >= area)
                    noteSign(notify.area);
            } else if ((event.type == DestroyNotify || event.type == UnmapNotify) &&
                       event.xany.window == show) {
                show = 0;
                return false;
            }
        }
        return true;
    }

    // Takes events until none has come for `quiet`, or until `end`; false when the show's
    // window went away.
    bool takeEventsUntilQuiet(std::chrono::milliseconds quiet, Clock::time_point end) {
        while (Clock::now() < end && waitForEvent(std::min(end, Clock::now() + quiet))) {
            if (!takeEvents())
                return false;
        }
        return true;
    }

    // Waits for an event until `deadline`; false when none came in time.
    bool waitForEvent(Clock::time_point deadline) const {
        if (XPending(display) > 0)
            return true;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        return ::poll(&connection, 1, static_cast<int>(left.count())) > 0 && XPending(display) > 0;
    }
};

ShowWindow::ShowWindow(const std::string& displayName, long officePid)
    : impl_(std::make_unique<Impl>()) {
    impl_->display = XOpenDisplay(displayName.c_str());
    if (impl_->display == nullptr)
        throw std::runtime_error("cannot open the X display \"" + displayName + "\"");
    int errorBase = 0;
    if (!XDamageQueryExtension(impl_->display, &impl_->damageEvent, &errorBase) ||
        !XResQueryExtension(impl_->display, &errorBase, &errorBase)) {
        XCloseDisplay(impl_->display);
        throw std::runtime_error("the X display \"" + displayName +
                                 "\" lacks the DAMAGE or X-Resource extension");
    }
    impl_->pid = officePid;
    for (Window window : impl_->officeWindows()) impl_->before.insert(window);
}

ShowWindow::~ShowWindow() {
    impl_->forgetFrame();
    if (impl_->damage != 0) {
        const x11::XErrorGuard quiet(impl_->display);
        XDamageDestroy(impl_->display, impl_->damage);
    }
    XCloseDisplay(impl_->display);
}

void ShowWindow::waitUntilSettled(std::chrono::milliseconds quiet,
                                  std::chrono::milliseconds limit) {
    Display* display = impl_->display;
    std::vector<Damage> watched;
    {
        const x11::XErrorGuard errors(display);
        for (Window window : impl_->before) {
            XWindowAttributes attributes{};
            if (!XGetWindowAttributes(display, window, &attributes) ||
                attributes.map_state != IsViewable)
                continue;
            XSelectInput(display, window, StructureNotifyMask);
            watched.push_back(XDamageCreate(display, window, XDamageReportRawRectangles));
        }
    }
    const auto end = Clock::now() + limit;
    while (Clock::now() < end && impl_->waitForEvent(std::min(end, Clock::now() + quiet))) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
        }
    }
    const x11::XErrorGuard errors(display);
    for (Damage damage : watched) XDamageDestroy(display, damage);
    for (Window window : impl_->before) XSelectInput(display, window, NoEventMask);
}

bool ShowWindow::find(std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    for (;;) {
        long area = 0;
        const Window window = impl_->newestShown(area);
        if (window != 0) {
            const x11::XErrorGuard quiet(impl_->display);
            impl_->show = window;
            impl_->area = area;
            impl_->managed = impl_->hasWindowManager();
            XSelectInput(impl_->display, window, StructureNotifyMask | FocusChangeMask);
            impl_->damage = XDamageCreate(impl_->display, window, XDamageReportRawRectangles);
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
    if (impl_->show == 0 || !impl_->managed || impl_->focused())
        return;
    {
        const x11::XErrorGuard quiet(impl_->display);
        // Sent on the user's behalf, like a pager.
        x11::changeWindowState(impl_->display, impl_->show, true, "_NET_WM_STATE_FULLSCREEN",
                               "_NET_WM_STATE_ABOVE", x11::RequestSource::User);
        x11::sendWindowManagerMessage(impl_->display, impl_->show, "_NET_ACTIVE_WINDOW",
                                      {static_cast<long>(x11::RequestSource::User), CurrentTime, 0,
                                       static_cast<long>(x11::RequestSource::User)});
    }
    const auto deadline = Clock::now() + FocusWait;
    while (!impl_->focused() && Clock::now() < deadline) std::this_thread::sleep_for(5ms);
    // Whatever it redraws on the way belongs to the slide it shows now.
    waitForFrame(0ms);
}

void ShowWindow::markDrawn() {
    XSync(impl_->display, False);
    impl_->takeEvents();
    impl_->drawnArea = 0;
    impl_->drawing = false;
}

bool ShowWindow::waitForFrame(std::chrono::milliseconds limit) {
    // A frame is a copy of at least a quarter of the window: less is the pointer or a blink.
    const auto frameArrived = [&] { return impl_->drawnArea * 4 >= impl_->area; };
    const auto deadline = Clock::now() + limit;
    XFlush(impl_->display);
    while (impl_->show != 0 && !frameArrived() && impl_->waitForEvent(deadline)) {
        if (!impl_->takeEvents())
            return false;
    }
    if (impl_->show == 0 || !impl_->drawing)
        return false;
    // Drawn in stages: on until nothing more comes for a moment (never for ever).
    if (!impl_->takeEventsUntilQuiet(QuietAfterDrawing, Clock::now() + 1000ms))
        return false;
    const bool arrived = frameArrived();

    impl_->drawnArea = 0;
    impl_->drawing = false;
    return arrived;
}

void ShowWindow::takeDownBusySign(std::chrono::milliseconds limit) {
    if (impl_->show != 0 && impl_->takeEvents())
        impl_->takeDownSign(Clock::now() + limit);
}

void ShowWindow::waitForStillness(std::chrono::milliseconds quiet,
                                  std::chrono::milliseconds limit) {
    impl_->takeEventsUntilQuiet(quiet, Clock::now() + limit);
}

bool ShowWindow::showsOnlyBlack() {
    if (impl_->show == 0)
        return false;
    const x11::XErrorGuard quiet(impl_->display);
    XImage* image = impl_->wholeWindow();
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

}  // namespace platform
