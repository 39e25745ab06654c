// Server pixel layouts into RGB: hand-written pixel bytes of every layout an X server may send,
// including those no test server offers (32-bit roots, packed 24 bits, big-endian servers).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/x11/ScreenGrab.h"

using platform::PixelLayout;

namespace {

using Bytes = std::vector<std::uint8_t>;
using Rgbs = std::vector<std::array<std::uint8_t, 3>>;

struct LayoutCase {
    std::string name;
    PixelLayout layout;
    int width, height, bytesPerLine;
    Bytes data;
    Rgbs expected;  // row by row
};

constexpr bool Lsb = false, Msb = true;

std::vector<LayoutCase> layoutCases() {
    return {
        {"depth 24 in 32 bits, low byte first, padding byte ignored",
         {32, Lsb, 0xff0000, 0x00ff00, 0x0000ff},
         2,
         2,
         8,
         {0x56, 0x34, 0x12, 0xee, 0x80, 0x00, 0xff, 0x00,   // row 0
          0x01, 0x00, 0x00, 0x00, 0xcc, 0xbb, 0xaa, 0x77},  // row 1
         {{0x12, 0x34, 0x56}, {0xff, 0x00, 0x80}, {0x00, 0x00, 0x01}, {0xaa, 0xbb, 0xcc}}},
        {"depth 32 (alpha byte), high byte first",
         {32, Msb, 0xff0000, 0x00ff00, 0x0000ff},
         2,
         1,
         8,
         {0xff, 0x12, 0x34, 0x56, 0x80, 0xff, 0x00, 0x80},
         {{0x12, 0x34, 0x56}, {0xff, 0x00, 0x80}}},
        {"blue in the high byte, red in the low byte",
         {32, Lsb, 0x0000ff, 0x00ff00, 0xff0000},
         1,
         1,
         4,
         {0x12, 0x34, 0x56, 0x00},
         {{0x12, 0x34, 0x56}}},
        {"packed 24 bits, rows padded with junk",
         {24, Lsb, 0xff0000, 0x00ff00, 0x0000ff},
         3,
         2,
         12,
         {0x03, 0x02, 0x01, 0x06, 0x05, 0x04, 0x09, 0x08, 0x07, 0xee, 0xee, 0xee,
          0x30, 0x20, 0x10, 0x60, 0x50, 0x40, 0x90, 0x80, 0x70, 0xee, 0xee, 0xee},
         {{0x01, 0x02, 0x03},
          {0x04, 0x05, 0x06},
          {0x07, 0x08, 0x09},
          {0x10, 0x20, 0x30},
          {0x40, 0x50, 0x60},
          {0x70, 0x80, 0x90}}},
        {"depth 16 (5-6-5), low byte first; middle values round to nearest",
         {16, Lsb, 0xf800, 0x07e0, 0x001f},
         5,
         1,
         10,
         {0x00, 0xf8, 0xe0, 0x07, 0x1f, 0x00, 0xff, 0xff, 0x10, 0x84},
         {{0xff, 0x00, 0x00},
          {0x00, 0xff, 0x00},
          {0x00, 0x00, 0xff},
          {0xff, 0xff, 0xff},
          {0x84, 0x82, 0x84}}},
        {"depth 16 (5-6-5), high byte first",
         {16, Msb, 0xf800, 0x07e0, 0x001f},
         3,
         1,
         6,
         {0xf8, 0x00, 0x07, 0xe0, 0x84, 0x10},
         {{0xff, 0x00, 0x00}, {0x00, 0xff, 0x00}, {0x84, 0x82, 0x84}}},
        {"depth 15 (5-5-5), the unused top bit ignored",
         {16, Lsb, 0x7c00, 0x03e0, 0x001f},
         3,
         1,
         6,
         {0xff, 0x7f, 0x00, 0xfc, 0x1f, 0x80},
         {{0xff, 0xff, 0xff}, {0xff, 0x00, 0x00}, {0x00, 0x00, 0xff}}},
        {"depth 30 (10 bits a channel) cut down to 8",
         {32, Lsb, 0x3ff00000, 0x000ffc00, 0x000003ff},
         2,
         1,
         8,
         // 3ff/200/000 and 001/3ff/3fe
         {0x00, 0x00, 0xf8, 0x3f, 0xfe, 0xff, 0x1f, 0x00},
         {{0xff, 0x80, 0x00}, {0x00, 0xff, 0xff}}},
        {"8 bits (3-3-2)",
         {8, Lsb, 0xe0, 0x1c, 0x03},
         4,
         1,
         4,
         {0xff, 0xe0, 0x03, 0x49},
         {{0xff, 0xff, 0xff}, {0xff, 0x00, 0x00}, {0x00, 0x00, 0xff}, {0x49, 0x49, 0x55}}},
    };
}

TEST(PixelConversionTest, EveryLayoutGivesTheSameColours) {
    for (const LayoutCase& c : layoutCases()) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.data.size(), static_cast<std::size_t>(c.bytesPerLine) * c.height);
        const platform::RgbImage image =
            platform::convertPixels(c.data.data(), c.width, c.height, c.bytesPerLine, c.layout);
        ASSERT_EQ(image.width, c.width);
        ASSERT_EQ(image.height, c.height);
        ASSERT_EQ(image.pixels.size(), static_cast<std::size_t>(c.width) * c.height * 3);
        Rgbs seen;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) seen.push_back(image.at(x, y));
        EXPECT_EQ(seen, c.expected);
    }
}

TEST(PixelConversionTest, NoPixelsGiveAnEmptyImage) {
    const platform::RgbImage image = platform::convertPixels(nullptr, 0, 0, 0, PixelLayout{});
    EXPECT_TRUE(image.empty());
    EXPECT_TRUE(image.pixels.empty());
}

TEST(PixelConversionTest, LayoutsItCannotReadAreRefusedWithTheReason) {
    const Bytes data(64, 0);
    const struct {
        PixelLayout layout;
        int bytesPerLine;
        const char* reason;
    } cases[] = {
        {{12, Lsb, 0xf00, 0x0f0, 0x00f}, 8, "12 bits"},
        {{32, Lsb, 0, 0x00ff00, 0x0000ff}, 8, "red mask of the pixel layout is empty"},
        {{32, Lsb, 0xff0000, 0x00f0f0, 0x00000f}, 8, "green mask of the pixel layout is not one"},
        {{16, Lsb, 0xf800, 0x07e0, 0x1f0000}, 8, "blue mask of the pixel layout lies outside"},
        {{32, Lsb, 0xfffff000, 0x00000f00, 0x000000ff}, 8, "wider than 16 bits"},
        {{32, Lsb, 0xff0000, 0x00ff00, 0x0000ff}, 7, "rows shorter"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        try {
            platform::convertPixels(data.data(), 2, 2, c.bytesPerLine, c.layout);
            ADD_FAILURE() << "accepted";
        } catch (const std::invalid_argument& e) {
            EXPECT_THAT(e.what(), testing::HasSubstr(c.reason));
        }
    }
}

}  // namespace
