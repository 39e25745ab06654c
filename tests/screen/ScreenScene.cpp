#include "tests/screen/ScreenScene.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace screentest {
namespace {

Display* displayOf(void* handle) {
    return static_cast<Display*>(handle);
}

unsigned long pixelOf(Display* display, const Rgb& c) {
    XColor colour{};
    colour.red = static_cast<unsigned short>(c[0] * 257);
    colour.green = static_cast<unsigned short>(c[1] * 257);
    colour.blue = static_cast<unsigned short>(c[2] * 257);
    colour.flags = DoRed | DoGreen | DoBlue;
    if (!XAllocColor(display, DefaultColormap(display, DefaultScreen(display)), &colour))
        throw std::runtime_error("cannot allocate the colour " + text(c));
    return colour.pixel;
}

}  // namespace

Scene::Scene(const char* displayName) {
    Display* display = nullptr;
    // A server that is still starting (or resetting after its last client) refuses for a moment.
    for (int attempt = 0; attempt < 40 && display == nullptr; ++attempt) {
        display = XOpenDisplay(displayName);
        if (display == nullptr)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (display == nullptr)
        throw std::runtime_error("cannot open the X display for the test scene");
    display_ = display;
    const int screen = DefaultScreen(display);
    width_ = DisplayWidth(display, screen);
    height_ = DisplayHeight(display, screen);

    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;  // placed exactly, whatever window manager runs
    attributes.event_mask = ExposureMask;
    attributes.background_pixel = pixelOf(display, Background);
    const unsigned long mask = CWOverrideRedirect | CWEventMask | CWBackPixel;
    full_ = XCreateWindow(display, DefaultRootWindow(display), 0, 0, width_, height_, 0,
                          CopyFromParent, InputOutput, CopyFromParent, mask, &attributes);
    attributes.background_pixel = pixelOf(display, Patch);
    patch_ = XCreateWindow(display, full_, PatchX, PatchY, PatchW, PatchH, 0, CopyFromParent,
                           InputOutput, CopyFromParent, mask, &attributes);
    XMapWindow(display, patch_);
    XMapRaised(display, full_);
    // The server paints a window's background before it reports the window exposed.
    bool fullShown = false, patchShown = false;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!(fullShown && patchShown) && std::chrono::steady_clock::now() < limit) {
        XSync(display, False);
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == Expose) {
                fullShown = fullShown || event.xexpose.window == full_;
                patchShown = patchShown || event.xexpose.window == patch_;
            }
        }
    }
    if (!(fullShown && patchShown)) {
        XCloseDisplay(display);
        throw std::runtime_error("the test scene did not appear on the screen");
    }
}

Scene::~Scene() {
    Display* display = displayOf(display_);
    XDestroyWindow(display, full_);
    XCloseDisplay(display);
}

void Scene::paintPatch(const Rgb& colour) {
    Display* display = displayOf(display_);
    XSetWindowBackground(display, patch_, pixelOf(display, colour));
    XClearWindow(display, patch_);
    XSync(display, False);
}

std::string text(const Rgb& c) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", c[0], c[1], c[2]);
    return buffer;
}

std::string sceneMismatches(const platform::RgbImage& image, const Rgb& patch, int tolerance,
                            const Rgb& background) {
    const int right = image.width - 1, bottom = image.height - 1;
    const struct {
        int x, y;
        Rgb expected;
    } points[] = {
        {PatchX, PatchY, patch},
        {PatchX + PatchW - 1, PatchY + PatchH - 1, patch},
        {PatchX + PatchW / 2, PatchY + PatchH / 2, patch},
        {PatchX - 1, PatchY, background},
        {PatchX + PatchW, PatchY + PatchH - 1, background},
        {PatchX, PatchY - 1, background},
        {PatchX + PatchW - 1, PatchY + PatchH, background},
        {0, 0, background},
        {right, 0, background},
        {0, bottom, background},
        {right, bottom, background},
    };
    std::string report;
    for (const auto& p : points) {
        const Rgb seen = image.at(p.x, p.y);
        if (!testdecks::near(seen, p.expected, tolerance))
            report += "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ") is " + text(seen) +
                      ", expected " + text(p.expected) + "\n";
    }
    return report;
}

}  // namespace screentest
