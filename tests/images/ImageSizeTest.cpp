// Image sizes asked for, and pictures resampled to them.
#include "platform/images/ImageSize.h"

#include <gtest/gtest.h>

namespace {

using platform::PixelSize;

TEST(ImageSize, OneSideFollowsTheAspectBothMakeABoxToFitInside) {
    const PixelSize slide{25400, 19050};  // a 4:3 slide, in 1/100 mm
    const struct {
        PixelSize asked, fitted;
    } cases[] = {
        {{1920, 0}, {1920, 1440}}, {{0, 300}, {400, 300}},   {{1000, 1000}, {1000, 750}},
        {{2000, 600}, {800, 600}}, {{0, 0}, {25400, 19050}}, {{16, 0}, {16, 12}},
    };
    for (const auto& c : cases) {
        const PixelSize fitted = platform::FitSize(slide, c.asked);
        EXPECT_EQ(fitted.width, c.fitted.width) << c.asked.width << "x" << c.asked.height;
        EXPECT_EQ(fitted.height, c.fitted.height) << c.asked.width << "x" << c.asked.height;
    }
}

TEST(ImageSize, ScaledPictureKeepsItsRegions) {
    // Left half red, right half blue.
    platform::RgbImage image{64, 48, std::vector<std::uint8_t>(64 * 48 * 3)};
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            std::uint8_t* p = &image.pixels[(y * 64 + x) * 3];
            p[0] = x < 32 ? 200 : 0;
            p[2] = x < 32 ? 0 : 200;
        }
    for (const PixelSize size : {PixelSize{32, 24}, PixelSize{128, 96}}) {
        const platform::RgbImage scaled = platform::Scaled(image, size);
        ASSERT_EQ(scaled.width, size.width);
        ASSERT_EQ(scaled.height, size.height);
        ASSERT_EQ(scaled.pixels.size(), static_cast<std::size_t>(size.width * size.height * 3));
        const auto red = std::array<std::uint8_t, 3>{200, 0, 0};
        const auto blue = std::array<std::uint8_t, 3>{0, 0, 200};
        EXPECT_EQ(scaled.at(size.width / 4, size.height / 2), red);
        EXPECT_EQ(scaled.at(size.width * 3 / 4, size.height - 1), blue);
    }
}

}  // namespace
