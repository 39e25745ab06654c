// An export of all slides under a display: the offices are headless, so nothing appears on the
// user's screen while it runs, not even for a moment.
#include <gtest/gtest.h>
// Xlib after gtest: its macros (None, Bool ...) would break gtest's headers.
#include <X11/Xlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <thread>

#include "tests/decks/TestDecks.h"
#include "tests/libreoffice/OfficeTestSupport.h"

namespace {

namespace fs = std::filesystem;

// The windows on the screen now: mapped children of the root, and their mapped children (a
// window manager's frames hold the clients).
std::set<Window> shownWindows(Display* display) {
    std::set<Window> shown;
    const auto walk = [&](Window parent, int depth, const auto& self) -> void {
        Window root = 0, up = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display, parent, &root, &up, &children, &count))
            return;
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes attributes{};
            if (XGetWindowAttributes(display, children[i], &attributes) &&
                attributes.map_state == IsViewable) {
                shown.insert(children[i]);
                if (depth < 1)
                    self(children[i], depth + 1, self);
            }
        }
        if (children != nullptr)
            XFree(children);
    };
    walk(DefaultRootWindow(display), 0, walk);
    return shown;
}

int ignoreErrors(Display*, XErrorEvent*) {
    return 0;  // a window that went away while it was looked at
}

TEST(ExportOnScreen, AnExportUnderADisplayShowsNoWindow) {
    officetest::useScratchRoot();
    const std::string out = officetest::scratchRoot() + "/out";
    fs::create_directory(out);
    const std::string deck =
        testdecks::makePpt(officetest::scratchRoot(), "twelve", {.slides = 12});
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr) << "screen tests need an X display";
    XSetErrorHandler(ignoreErrors);
    const std::set<Window> before = shownWindows(display);

    const pid_t run = ::fork();
    if (run == 0) {
        std::freopen("/dev/null", "r", stdin);
        std::freopen("/dev/null", "w", stdout);
        const std::string target = "/d:" + out;
        ::execl(DECKSHOT_EXE, DECKSHOT_EXE, "--no-dialogs", "--jobs=2", deck.c_str(),
                target.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::set<Window> appeared;
    int status = 0;
    while (::waitpid(run, &status, WNOHANG) == 0) {
        for (Window window : shownWindows(display))
            if (before.count(window) == 0)
                appeared.insert(window);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    XCloseDisplay(display);

    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(officetest::filesIn(out).size(), 12U);
    EXPECT_TRUE(appeared.empty()) << appeared.size() << " window(s) appeared during the export";
    officetest::expectNoOfficeLeft();
    officetest::removeScratchRoot();
}

}  // namespace
