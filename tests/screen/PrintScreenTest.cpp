// Print Screen as the slide capture uses it: the key string "{PRTSC}" through the real X11
// injection, whose Print Screen handler puts a grab of the screen on the clipboard.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>

#include "keys/KeyEngine.h"
#include "platform/Clipboard.h"
#include "platform/qt/QtClipboard.h"
#include "platform/x11/ScreenGrab.h"
#include "platform/x11/X11Input.h"
#include "support/LogFile.h"
#include "tests/fakes/FakeClipboard.h"
#include "tests/fakes/FakeServices.h"
#include "tests/screen/ScreenScene.h"

using screentest::sceneMismatches;

namespace {

class PrintScreenTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int attempt = 0; attempt < 40 && input_ == nullptr; ++attempt) {
            try {
                input_ = std::make_unique<platform::X11Input>();
            } catch (const std::runtime_error&) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
        ASSERT_NE(input_, nullptr) << "screen tests need an X display";
        engine_ = std::make_unique<keys::KeyEngine>(*input_, fakes_.clock, fakes_.dialogs, log_,
                                                    settings_);
    }
    void TearDown() override { QGuiApplication::clipboard()->clear(); }
    // Print Screen puts its grab onto this clipboard.
    void use(platform::Clipboard& clipboard) {
        input_->setPrintScreenHandler(
            [&clipboard] { clipboard.setBitmap(platform::grabScreen()); });
    }

    fakes::FakeServices fakes_;
    support::LogFile log_{fakes_.events, fakes_.clock};
    keys::KeySettings settings_;
    std::unique_ptr<platform::X11Input> input_;
    std::unique_ptr<keys::KeyEngine> engine_;
};

TEST_F(PrintScreenTest, PrintScreenLeavesTheWholeScreenOnTheClipboard) {
    screentest::Scene scene;
    platform::QtClipboard clipboard;
    use(clipboard);
    QGuiApplication::clipboard()->setText("not a picture");
    ASSERT_FALSE(clipboard.bitmap().has_value());

    EXPECT_TRUE(engine_->SendKeys("{PRTSC}", true));
    const std::optional<platform::RgbImage> image = clipboard.bitmap();
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->width, scene.screenWidth());
    EXPECT_EQ(image->height, scene.screenHeight());
    EXPECT_EQ(sceneMismatches(*image, screentest::Patch, 0), "");
}

TEST_F(PrintScreenTest, EachPrintScreenReplacesThePictureWithWhatIsShownNow) {
    screentest::Scene scene;
    fakes::FakeClipboard clipboard;
    use(clipboard);
    int presses = 0;
    for (const auto& colour : {screentest::Patch, screentest::OtherPatch}) {
        SCOPED_TRACE(screentest::text(colour));
        scene.paintPatch(colour);
        EXPECT_TRUE(engine_->SendKeys("{PRTSC}", true));
        EXPECT_EQ(clipboard.writes, ++presses);
        ASSERT_TRUE(clipboard.content.has_value());
        EXPECT_EQ(sceneMismatches(*clipboard.content, colour, 0), "");
    }
    // Typing other keys leaves the clipboard alone.
    EXPECT_TRUE(engine_->SendKeys("{SCROLLLOCK}{SCROLLLOCK}", true));
    EXPECT_EQ(clipboard.writes, presses);
}

}  // namespace
