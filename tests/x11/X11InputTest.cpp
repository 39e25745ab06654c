// Real injection under X: key strings typed through XTest into a window of the test's own, and
// clicks that reach their point. Needs a display ($DISPLAY; the test command starts Xvfb).
#include <gtest/gtest.h>
// Xlib after gtest: its macros (None, Bool ...) would break gtest's headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "keys/KeyEngine.h"
#include "platform/x11/X11Input.h"
#include "platform/x11/XErrorGuard.h"
#include "support/LogFile.h"
#include "tests/fakes/FakeInput.h"
#include "tests/fakes/FakeServices.h"

namespace {

struct Click {
    int type;  // ButtonPress or ButtonRelease
    unsigned button;
    int x, y;
};

class X11InputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* name = std::getenv("DISPLAY");
        ASSERT_TRUE(name != nullptr && *name != 0) << "screen tests need an X display";
        // Xvfb resets itself when its last client leaves (the previous test process): a
        // connection attempt during the reset fails, so try again for a moment.
        for (int attempt = 0; attempt < 40 && (display_ == nullptr || input_ == nullptr);
             ++attempt) {
            if (display_ == nullptr)
                display_ = XOpenDisplay(nullptr);
            try {
                if (display_ != nullptr)
                    input_ = std::make_unique<platform::X11Input>();
            } catch (const std::runtime_error&) {
            }
            if (input_ == nullptr)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ASSERT_NE(display_, nullptr);
        ASSERT_NE(input_, nullptr);
        engine_ = std::make_unique<keys::KeyEngine>(*input_, fakes_.clock, fakes_.dialogs, log_,
                                                    settings_);

        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;  // placed exactly, whatever window manager runs
        attributes.event_mask =
            KeyPressMask | ButtonPressMask | ButtonReleaseMask | StructureNotifyMask | ExposureMask;
        window_ = XCreateWindow(display_, DefaultRootWindow(display_), 0, 0, 400, 300, 0,
                                CopyFromParent, InputOutput, CopyFromParent,
                                CWOverrideRedirect | CWEventMask, &attributes);
        XMapRaised(display_, window_);
        XEvent event;
        do {
            XNextEvent(display_, &event);
        } while (event.type != MapNotify);
        XSetInputFocus(display_, window_, RevertToPointerRoot, CurrentTime);
        XSync(display_, False);
    }

    void TearDown() override {
        engine_.reset();
        input_.reset();
        if (display_ != nullptr) {
            if (window_ != 0)
                XDestroyWindow(display_, window_);
            XCloseDisplay(display_);
        }
    }

    // Whatever arrives within the time limit: typed text, or button events.
    template <typename Done>
    void collect(Done done) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (!done() && std::chrono::steady_clock::now() < limit) {
            XSync(display_, False);
            while (XPending(display_) > 0) {
                XEvent event;
                XNextEvent(display_, &event);
                if (event.type == KeyPress) {
                    char buffer[16];
                    KeySym sym;
                    const int n = XLookupString(&event.xkey, buffer, sizeof buffer, &sym, nullptr);
                    typed_.append(buffer, static_cast<std::size_t>(n));
                } else if (event.type == ButtonPress || event.type == ButtonRelease) {
                    clicks_.push_back({event.type, event.xbutton.button, event.xbutton.x_root,
                                       event.xbutton.y_root});
                }
            }
        }
    }

    std::string typeAndRead(const std::string& keys, std::size_t expectedLength) {
        typed_.clear();
        EXPECT_TRUE(engine_->SendKeys(keys, true));
        collect([&] { return typed_.size() >= expectedLength; });
        return typed_;
    }

    bool anyKeyDown() {
        char keys[32];
        XQueryKeymap(display_, keys);
        for (char byte : keys) {
            if (byte != 0)
                return true;
        }
        return false;
    }

    Display* display_ = nullptr;
    Window window_ = 0;
    std::unique_ptr<platform::X11Input> input_;
    fakes::FakeServices fakes_;
    support::LogFile log_{fakes_.events, fakes_.clock};
    keys::KeySettings settings_;
    std::unique_ptr<keys::KeyEngine> engine_;
    std::string typed_;
    std::vector<Click> clicks_;
};

TEST_F(X11InputTest, KeyStringsArriveAsText) {
    const struct {
        std::string keys, text;
    } cases[] = {
        {"hello", "hello"},
        {"Hello, World!", "Hello, World!"},
        {"+(abc)d", "ABCd"},
        {"+abc", "Abc"},
        {"{{}x{}}", "{x}"},
        {"{a 3}b", "AAAb"},
        {"a~b{TAB}c", "a\rb\tc"},
        {"`!@#$&*_|:\"<>?", "`!@#$&*_|:\"<>?"},
        {"{~}{%}{^}{+}{(}{)}{\"}", "~%^+()\""},
        {"x{left 2}{bs}y", "x\by"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(typeAndRead(c.keys, c.text.size()), c.text) << c.keys;
        EXPECT_FALSE(anyKeyDown()) << c.keys << ": a key stayed down";
    }
}

TEST_F(X11InputTest, ControlModifierReachesTheWindow) {
    // Control+a gives the control character 0x01 through XLookupString.
    EXPECT_EQ(typeAndRead("^a", 1), std::string(1, '\x01'));
    EXPECT_FALSE(anyKeyDown());
}

TEST_F(X11InputTest, ClicksReachTheirPoint) {
    EXPECT_TRUE(engine_->SendKeys("{wait 0}{cursorX 40}{cursorY 50}{mleft 0}", false));
    collect([&] { return clicks_.size() >= 2; });
    ASSERT_EQ(clicks_.size(), 2u);
    EXPECT_EQ(clicks_[0].type, ButtonPress);
    EXPECT_EQ(clicks_[0].button, 1u);
    EXPECT_EQ(clicks_[0].x, 40);
    EXPECT_EQ(clicks_[0].y, 50);
    EXPECT_EQ(clicks_[1].type, ButtonRelease);

    clicks_.clear();
    // The cursor set by the earlier call is used by a right click in a later one.
    EXPECT_TRUE(engine_->SendKeys("{mright}{cursorx 7}{cursory 9}{mldouble}", false));
    collect([&] { return clicks_.size() >= 6; });
    ASSERT_EQ(clicks_.size(), 6u);
    EXPECT_EQ(clicks_[0].button, 3u);
    EXPECT_EQ(clicks_[0].x, 40);
    EXPECT_EQ(clicks_[0].y, 50);
    for (std::size_t i = 2; i < 6; ++i) {
        EXPECT_EQ(clicks_[i].button, 1u);
        EXPECT_EQ(clicks_[i].x, 7);
        EXPECT_EQ(clicks_[i].y, 9);
    }
}

TEST_F(X11InputTest, DragPressesAtCursorAndReleasesAfterRelativeMotion) {
    EXPECT_TRUE(
        engine_->SendKeys("{wait 0}{cursorx 100}{cursory 100}{movex 30}{movey 20}{move}", false));
    collect([&] { return clicks_.size() >= 2; });
    ASSERT_EQ(clicks_.size(), 2u);  // the second left-down of the drag is not a second press
    EXPECT_EQ(clicks_[0].type, ButtonPress);
    EXPECT_EQ(clicks_[0].x, 100);
    EXPECT_EQ(clicks_[0].y, 100);
    EXPECT_EQ(clicks_[1].type, ButtonRelease);
    // Relative motion is subject to pointer acceleration: at least the distance asked.
    EXPECT_GE(clicks_[1].x, 130);
    EXPECT_GE(clicks_[1].y, 120);
}

// Desktops bind Print through a passive grab on the root window; a second key grabbed the same
// way shows that the grab would see an injected key.
TEST_F(X11InputTest, PrintScreenRunsTheHandlerOnKeyUpAndNeverReachesTheServer) {
    Display* desktop = XOpenDisplay(nullptr);
    ASSERT_NE(desktop, nullptr);
    const Window root = DefaultRootWindow(desktop);
    const KeyCode print = XKeysymToKeycode(desktop, XK_Print);
    const KeyCode f12 = XKeysymToKeycode(desktop, XK_F12);
    ASSERT_NE(print, 0);
    int grabError = 0;
    {
        platform::x11::XErrorGuard errors(desktop);
        for (const KeyCode key : {print, f12})
            XGrabKey(desktop, key, AnyModifier, root, False, GrabModeAsync, GrabModeAsync);
        grabError = errors.lastError();
    }
    if (grabError != 0) {
        XCloseDisplay(desktop);
        GTEST_SKIP() << "another client (a window manager?) holds the grab on Print or F12";
    }

    int calls = 0;
    input_->setPrintScreenHandler([&] { ++calls; });
    EXPECT_TRUE(engine_->SendKeys("{PRTSC}", true));
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(engine_->SendKeys("{printscreen 3}", false));
    EXPECT_EQ(calls, 4);
    input_->keyEvent(0x2C, 0, 0);  // a key-down alone does not
    EXPECT_EQ(calls, 4);
    input_->keyEvent(0x2C, 0, 2);
    EXPECT_EQ(calls, 5);
    EXPECT_FALSE(anyKeyDown());

    EXPECT_TRUE(engine_->SendKeys("{F12}", true));
    std::vector<KeyCode> grabbed;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (grabbed.empty() && std::chrono::steady_clock::now() < limit) {
        XSync(desktop, False);
        while (XPending(desktop) > 0) {
            XEvent event;
            XNextEvent(desktop, &event);
            if (event.type == KeyPress)
                grabbed.push_back(static_cast<KeyCode>(event.xkey.keycode));
        }
    }
    EXPECT_EQ(grabbed, std::vector<KeyCode>{f12}) << "Print pressed: keycode " << int(print);
    XCloseDisplay(desktop);
}

TEST_F(X11InputTest, NumLockTogglesThroughXkb) {
    const bool before = (input_->keyState(0x90) & 1) != 0;
    EXPECT_TRUE(engine_->SendKeys("{NUMLOCK 3}", false));
    EXPECT_NE((input_->keyState(0x90) & 1) != 0, before);
    EXPECT_EQ((input_->keyboardState()[0x90] & 1) != 0, !before);
    EXPECT_TRUE(engine_->SendKeys("{numlock 0}", false));
    EXPECT_EQ((input_->keyState(0x90) & 1) != 0, before);
}

TEST_F(X11InputTest, CharacterMappingAnswersAsTheUsLayoutOnWindows) {
    std::string characters = "\b\t\r\n\x1B\x01\x1A";
    for (int c = 0x20; c <= 0x7E; ++c) characters += static_cast<char>(c);
    for (char c : characters) {
        EXPECT_EQ(input_->characterToKeyCode(c), fakes::usKeyCode(c))
            << "character " << static_cast<int>(static_cast<unsigned char>(c));
    }
    EXPECT_EQ(input_->characterToKeyCode('\x7F'), 0xFFFF);
    EXPECT_EQ(input_->characterToKeyCode('\0'), 0xFFFF);
}

TEST_F(X11InputTest, ScanCodesAreThoseOfAPcKeyboard) {
    for (std::uint32_t vk = 0; vk < 256; ++vk) {
        const std::uint32_t expected = fakes::usScanCode(vk);
        if (expected == 0)
            continue;
        EXPECT_EQ(input_->virtualKeyToScanCode(vk), expected) << "virtual key " << vk;
    }
}

TEST_F(X11InputTest, RestoreMapsTheTargetWindowAndStaleIdsAreHarmless) {
    XSetWindowAttributes attributes{};
    attributes.event_mask = StructureNotifyMask;
    const Window managed =
        XCreateWindow(display_, DefaultRootWindow(display_), 10, 10, 50, 50, 0, CopyFromParent,
                      InputOutput, CopyFromParent, CWEventMask, &attributes);
    XSync(display_, False);
    XWindowAttributes state;
    XGetWindowAttributes(display_, managed, &state);
    ASSERT_EQ(state.map_state, IsUnmapped);
    settings_.TargetWindow = reinterpret_cast<platform::WindowHandle>(managed);
    EXPECT_TRUE(engine_->SendKeys("{wait 0}{restore}", false));
    XGetWindowAttributes(display_, managed, &state);
    EXPECT_EQ(state.map_state, IsViewable);
    // A window id that no longer exists must not end the process.
    XDestroyWindow(display_, managed);
    XSync(display_, False);
    EXPECT_TRUE(engine_->SendKeys("{min}{max}", false));
}

}  // namespace
