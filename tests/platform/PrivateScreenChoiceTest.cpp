// When a range's slide show gets a private screen, and of what size.
#include <gtest/gtest.h>

#include "platform/x11/PrivateScreen.h"

namespace {

TEST(PrivateScreenChoice, OnlyAnX11SessionKeepsTheShowOnTheUsersScreen) {
    const struct {
        const char *display, *sessionType, *choice;
        bool privateScreen;
    } cases[] = {
        {":0", "x11", nullptr, false},
        {":0", nullptr, "", false},
        {":0", "x11", "private", true},
        {nullptr, nullptr, nullptr, true},
        {"", "tty", nullptr, true},
        {":0", "wayland", nullptr, true},  // XWayland: X grabs cannot see Wayland windows
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.display ? c.display : "(unset)") << " "
                                        << (c.sessionType ? c.sessionType : "(unset)"));
        EXPECT_EQ(platform::needsPrivateScreen(c.display, c.sessionType, c.choice),
                  c.privateScreen);
    }
}

TEST(PrivateScreenChoice, SizeIsAskedForThenTheUsersThen1024x768) {
    const platform::ScreenSize user{1920, 1080};
    const struct {
        const char* asked;
        const platform::ScreenSize* known;
        int width, height;
    } cases[] = {
        {"1280x800", &user, 1280, 800},     {nullptr, &user, 1920, 1080},
        {"1280x", &user, 1920, 1080},       {"12x8", nullptr, 1024, 768},
        {"800x600x24", nullptr, 1024, 768}, {nullptr, nullptr, 1024, 768},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.asked ? c.asked : "(unset)");
        const platform::ScreenSize size = platform::privateScreenSize(c.asked, c.known);
        EXPECT_EQ(size.width, c.width);
        EXPECT_EQ(size.height, c.height);
    }
}

}  // namespace
