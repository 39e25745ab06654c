// The slide show on a real X display: GoToSlide puts the slide on the screen, and fails outside
// the presentation and once the show has ended, without taking the office down.
#include <chrono>
#include <thread>

#include "platform/libreoffice/LibreOfficeFactory.h"
#include "tests/libreoffice/OfficeTestSupport.h"

// Last, and their macros undone: Xlib's None, Bool, True and False clash with GoogleTest.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#undef None
#undef Bool
#undef True
#undef False
#undef Status

namespace fs = std::filesystem;
using platform::AutomationError;
using testdecks::DeckOptions;

namespace {

class Screen {
  public:
    Screen() : display_(XOpenDisplay(nullptr)) {}
    ~Screen() {
        if (display_)
            XCloseDisplay(display_);
    }
    explicit operator bool() const { return display_ != nullptr; }
    int width() const { return DisplayWidth(display_, DefaultScreen(display_)); }
    int height() const { return DisplayHeight(display_, DefaultScreen(display_)); }
    // The colour of a point of the root window, as a screen grab sees it.
    testdecks::Rgb pixel(int x, int y) {
        XImage* image =
            XGetImage(display_, DefaultRootWindow(display_), x, y, 1, 1, AllPlanes, ZPixmap);
        const unsigned long p = XGetPixel(image, 0, 0);
        XDestroyImage(image);
        return {static_cast<std::uint8_t>((p >> 16) & 0xff),
                static_cast<std::uint8_t>((p >> 8) & 0xff), static_cast<std::uint8_t>(p & 0xff)};
    }
    // What a user does to end the show.
    void pressEscape() {
        const KeyCode key = XKeysymToKeycode(display_, XK_Escape);
        XTestFakeKeyEvent(display_, key, 1, 0);
        XTestFakeKeyEvent(display_, key, 0, 0);
        XSync(display_, 0);
    }

  private:
    Display* display_;
};

class SlideShowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        officetest::useScratchRoot();
        decksDir = testdecks::makeTempDir("decks");
        testdecks::writeFodp(decksDir + "/five.fodp", five);
        testdecks::writeFodp(decksDir + "/faded.fodp", faded);
        const auto ppts =
            testdecks::convertToPpt({decksDir + "/five.fodp", decksDir + "/faded.fodp"}, decksDir);
        fivePpt = ppts[0];
        fadedPpt = ppts[1];
    }
    static void TearDownTestSuite() {
        fs::remove_all(decksDir);
        officetest::removeScratchRoot();
    }
    void SetUp() override {
        if (!screen)
            GTEST_SKIP() << "needs an X display (scripts/test starts Xvfb)";
    }
    void TearDown() override { officetest::expectNoOfficeLeft(); }

    static std::unique_ptr<platform::PresentationApp> startShow(const std::string& deck,
                                                                int& count) {
        auto app = platform::LibreOfficeFactory().create(platform::PresentationProgId);
        app->setVisible(true);
        app->openPresentation(deck, false, false, true);
        app->setAdvanceMode(1);
        app->runSlideShow();
        count = app->slideCount();
        return app;
    }
    // A point of the slide away from the big number in its middle.
    testdecks::Rgb shown() {
        const testdecks::Point point = testdecks::pointInSlide(screen.width(), screen.height(), 30);
        return screen.pixel(point.x, point.y);
    }

    static inline DeckOptions five{5, false, false}, faded{4, false, true};
    static inline std::string decksDir, fivePpt, fadedPpt;
    Screen screen;
};

TEST_F(SlideShowTest, GoToSlideReturnsWithThatSlideOnTheScreen) {
    int count = 0;
    auto app = startShow(fivePpt, count);
    ASSERT_EQ(count, 5);
    for (int slide : {3, 1, 5, 2, 2, 4}) {
        SCOPED_TRACE(slide);
        app->goToSlide(slide);
        const auto seen = shown();
        EXPECT_TRUE(testdecks::near(seen, testdecks::slideColour(slide, five), 8))
            << "screen shows " << int(seen[0]) << "," << int(seen[1]) << "," << int(seen[2]);
    }
    app->quit();
}

TEST_F(SlideShowTest, TransitionsDoNotPlayDuringMoves) {
    int count = 0;
    auto app = startShow(fadedPpt, count);
    app->goToSlide(1);  // the first move also starts the show
    for (int slide : {2, 3, 1, 4}) {
        SCOPED_TRACE(slide);
        const auto started = std::chrono::steady_clock::now();
        app->goToSlide(slide);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(900));
        // A fade still running would show a blend of two backgrounds.
        EXPECT_TRUE(testdecks::near(shown(), testdecks::slideColour(slide, faded), 8));
    }
    app->quit();
}

TEST_F(SlideShowTest, MovesOutsideThePresentationOrAfterTheShowEndedFailAndTheOfficeStillQuits) {
    int count = 0;
    auto app = startShow(fivePpt, count);
    app->goToSlide(2);
    for (int slide : {0, -1, 6, 100}) {
        SCOPED_TRACE(slide);
        EXPECT_THROW(app->goToSlide(slide), AutomationError);
    }
    EXPECT_TRUE(testdecks::near(shown(), testdecks::slideColour(2, five), 8)) << "the show moved";

    screen.pressEscape();
    // The show ends asynchronously; once it has, every move fails with a clear text.
    std::string message;
    for (int i = 0; i < 50 && message.empty(); ++i) {
        try {
            app->goToSlide(3);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        } catch (const AutomationError& e) {
            message = e.what();
        }
    }
    EXPECT_EQ(message, "GoToSlide: the slide show has ended");
    EXPECT_THROW(app->goToSlide(1), AutomationError);
    EXPECT_EQ(app->slideCount(), 5) << "the office is still alive";
    app->quit();
}

}  // namespace
