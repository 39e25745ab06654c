// Whole-screen grabs from real X servers: the size, orientation and colours of a scene the server
// painted itself, on the test server and on private servers of every other depth.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "platform/x11/PrivateScreen.h"
#include "platform/x11/ScreenGrab.h"
#include "tests/screen/ScreenScene.h"

using screentest::sceneMismatches;

namespace {

TEST(ScreenGrabTest, TheGrabIsTheWholeScreenAsPainted) {
    screentest::Scene scene;
    const platform::RgbImage image = platform::grabScreen();
    ASSERT_EQ(image.width, scene.screenWidth());
    ASSERT_EQ(image.height, scene.screenHeight());
    ASSERT_EQ(image.pixels.size(), static_cast<std::size_t>(image.width) * image.height * 3);
    EXPECT_EQ(sceneMismatches(image, screentest::Patch, 0), "");
}

TEST(ScreenGrabTest, AKeptConnectionSeesEveryChange) {
    screentest::Scene scene;
    platform::ScreenGrabber grabber;
    for (const auto& colour : {screentest::Patch, screentest::OtherPatch, screentest::Patch}) {
        SCOPED_TRACE(screentest::text(colour));
        scene.paintPatch(colour);
        EXPECT_EQ(sceneMismatches(grabber.grab(), colour, 0), "");
    }
}

TEST(ScreenGrabTest, EveryTrueColourDepthGivesTheSameColours) {
    // Narrow channels cannot hold the exact colours: the server rounds them when it paints.
    const struct { int depth, tolerance; } cases[] = {{15, 8}, {16, 8}, {24, 0}, {30, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE("depth " + std::to_string(c.depth));
        const platform::PrivateScreen server({320, 240}, {.depth = c.depth, .ownerOnly = false});
        screentest::Scene scene(server.displayName().c_str());
        const platform::RgbImage image = platform::grabScreen(server.displayName().c_str());
        ASSERT_EQ(image.width, 320);
        ASSERT_EQ(image.height, 240);
        EXPECT_EQ(sceneMismatches(image, screentest::Patch, c.tolerance), "");
    }
}

TEST(ScreenGrabTest, FailuresSayWhy) {
    // A display number nobody serves.
    int unused = 700;
    while (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(unused))) ++unused;
    const std::string nobody = ":" + std::to_string(unused);
    EXPECT_THAT([&] { platform::grabScreen(nobody.c_str()); },
                testing::ThrowsMessage<std::runtime_error>(
                    testing::HasSubstr("cannot open the X display \"" + nobody + "\"")));

    // Colours through a colour map are not read.
    const platform::PrivateScreen mapped({64, 48}, {.depth = 8, .ownerOnly = false});
    EXPECT_THAT([&] { platform::ScreenGrabber grabber(mapped.displayName().c_str()); },
                testing::ThrowsMessage<std::runtime_error>(
                    testing::HasSubstr("(depth 8) is not TrueColor")));
}

}  // namespace
