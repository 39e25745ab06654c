// The clipboard through Qt, within one program: built into the unit tests (offscreen platform)
// and the screen tests (xcb on the test X server), and checked to run on the platform meant.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <stdexcept>

#include "platform/qt/QtClipboard.h"

using platform::RgbImage;

namespace {

// Every pixel different from its neighbours and every channel different from the others, so
// that a shifted row, a swapped channel or lost padding all show.
RgbImage pattern(int width, int height) {
    RgbImage image{width, height, {}};
    image.pixels.resize(static_cast<std::size_t>(width) * height * 3);
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = static_cast<std::uint8_t>((i * 37 + i / 3 * 11) & 0xff);
    return image;
}

// Named per platform (DECKSHOT_CLIPBOARD_SUITE): ctest needs the two builds' cases to differ.
class DECKSHOT_CLIPBOARD_SUITE : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(QGuiApplication::platformName().toStdString(), DECKSHOT_TEST_QPA);
    }
    void TearDown() override { QGuiApplication::clipboard()->clear(); }
    platform::QtClipboard clipboard;
};

TEST_F(DECKSHOT_CLIPBOARD_SUITE, ABitmapComesBackPixelForPixel) {
    // Odd widths give rows that Qt pads and ours do not.
    const struct { int width, height; } sizes[] = {{1, 1}, {5, 3}, {7, 2}, {64, 48}, {1024, 768}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height));
        const RgbImage put = pattern(size.width, size.height);
        clipboard.setBitmap(put);
        const std::optional<RgbImage> got = clipboard.bitmap();
        ASSERT_TRUE(got.has_value());
        EXPECT_EQ(got->width, put.width);
        EXPECT_EQ(got->height, put.height);
        EXPECT_TRUE(got->pixels == put.pixels);
    }
}

TEST_F(DECKSHOT_CLIPBOARD_SUITE, NoImageOnTheClipboardGivesNothing) {
    clipboard.setBitmap(pattern(4, 4));
    QGuiApplication::clipboard()->setText("only words");
    EXPECT_FALSE(clipboard.bitmap().has_value()) << "after text replaced the picture";

    clipboard.setBitmap(pattern(4, 4));
    QGuiApplication::clipboard()->clear();
    EXPECT_FALSE(clipboard.bitmap().has_value()) << "after the clipboard was cleared";

    clipboard.setBitmap(pattern(4, 4));
    clipboard.setBitmap(RgbImage{});
    EXPECT_FALSE(clipboard.bitmap().has_value()) << "after an empty picture was put on it";
}

TEST_F(DECKSHOT_CLIPBOARD_SUITE, ImagesPutThereInOtherFormatsComeBackAsPackedRgb) {
    // Colours every format below holds exactly, on an odd width.
    const QRgb colours[] = {qRgb(0xff, 0, 0),    qRgb(0, 0xff, 0), qRgb(0, 0, 0xff),
                            qRgb(0xff, 0xff, 0), qRgb(0, 0, 0),    qRgb(0xff, 0xff, 0xff)};
    QImage source(3, 2, QImage::Format_RGB32);
    for (int i = 0; i < 6; ++i) source.setPixel(i % 3, i / 3, colours[i]);
    const QImage::Format formats[] = {
        QImage::Format_RGB32,    QImage::Format_ARGB32, QImage::Format_ARGB32_Premultiplied,
        QImage::Format_RGBX8888, QImage::Format_BGR888, QImage::Format_RGB16};
    for (QImage::Format format : formats) {
        SCOPED_TRACE(static_cast<int>(format));
        QGuiApplication::clipboard()->setImage(source.convertToFormat(format));
        const std::optional<RgbImage> got = clipboard.bitmap();
        ASSERT_TRUE(got.has_value());
        ASSERT_EQ(got->width, 3);
        ASSERT_EQ(got->height, 2);
        ASSERT_EQ(got->pixels.size(), 18u);
        for (int i = 0; i < 6; ++i) {
            const auto rgb = got->at(i % 3, i / 3);
            EXPECT_EQ(qRgb(rgb[0], rgb[1], rgb[2]), colours[i]) << "pixel " << i;
        }
    }
}

TEST_F(DECKSHOT_CLIPBOARD_SUITE, PixelsThatDoNotMatchTheSizeAreRefused) {
    RgbImage bad = pattern(4, 4);
    bad.pixels.pop_back();
    EXPECT_THROW(clipboard.setBitmap(bad), std::invalid_argument);
}

}  // namespace
