// The clipboard between two programs on X: a picture another program put there is read, and one
// we put there is read by another program (tests/screen/ClipboardPeer.cpp).
#include <gtest/gtest.h>

#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>

#include "platform/qt/QtClipboard.h"

using platform::RgbImage;

namespace {

// Distinct colours in every pixel and channel, on an odd width.
QImage picture() {
    QImage image(37, 21, QImage::Format_RGB888);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 6, y * 12, 255 - x * 3 - y * 2));
    return image;
}

// Runs our event loop meanwhile: the other program may be asking us for our clipboard.
bool finishes(QProcess& process, int seconds) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (process.state() != QProcess::NotRunning) {
        if (std::chrono::steady_clock::now() > limit)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        process.waitForFinished(10);
    }
    return true;
}

class ClipboardPeerTest : public ::testing::Test {
  protected:
    void TearDown() override { QGuiApplication::clipboard()->clear(); }
    QTemporaryDir dir;
    platform::QtClipboard clipboard;
};

TEST_F(ClipboardPeerTest, APictureAnotherProgramPutThereIsRead) {
    ASSERT_TRUE(dir.isValid());
    const QImage put = picture();
    const QString file = dir.filePath("put.png");
    ASSERT_TRUE(put.save(file, "PNG"));
    clipboard.setBitmap(RgbImage{1, 1, {1, 2, 3}});  // ours first: the peer must take over

    QProcess peer;
    peer.start(CLIPBOARD_PEER, {"image", file});
    ASSERT_TRUE(peer.waitForReadyRead(10000)) << peer.readAllStandardError().toStdString();
    ASSERT_EQ(peer.readLine().trimmed().toStdString(), "ready");
    QCoreApplication::processEvents();  // the news that we no longer own the clipboard

    const std::optional<RgbImage> got = clipboard.bitmap();
    peer.closeWriteChannel();
    EXPECT_TRUE(finishes(peer, 10));
    EXPECT_EQ(peer.exitCode(), 0);
    ASSERT_TRUE(got.has_value());
    ASSERT_EQ(got->width, put.width());
    ASSERT_EQ(got->height, put.height());
    for (int y = 0; y < put.height(); ++y)
        for (int x = 0; x < put.width(); ++x) {
            const auto rgb = got->at(x, y);
            ASSERT_EQ(qRgb(rgb[0], rgb[1], rgb[2]), put.pixel(x, y)) << x << "," << y;
        }
}

TEST_F(ClipboardPeerTest, APictureWePutThereIsReadByAnotherProgram) {
    ASSERT_TRUE(dir.isValid());
    const QImage put = picture();
    RgbImage image{put.width(), put.height(), {}};
    for (int y = 0; y < put.height(); ++y) {
        const auto* row = put.constScanLine(y);
        image.pixels.insert(image.pixels.end(), row, row + put.width() * 3);
    }
    clipboard.setBitmap(image);

    const QString file = dir.filePath("got.png");
    QProcess peer;
    peer.start(CLIPBOARD_PEER, {"get", file});
    ASSERT_TRUE(finishes(peer, 20));
    ASSERT_EQ(peer.exitCode(), 0) << "3: the other program saw no image";
    const QImage got = QImage(file).convertToFormat(QImage::Format_RGB888);
    ASSERT_EQ(got.size(), put.size());
    EXPECT_EQ(got, put);
}

TEST_F(ClipboardPeerTest, NoBitmapWhenAnotherProgramOffersTextOrItsOwnerIsGone) {
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("put.png");
    ASSERT_TRUE(picture().save(file, "PNG"));
    const struct {
        const char* mode;
        QString argument;
        bool ownerStays;
    } cases[] = {{"text", "only words", true}, {"image", file, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        clipboard.setBitmap(RgbImage{1, 1, {1, 2, 3}});
        QProcess peer;
        peer.start(CLIPBOARD_PEER, {c.mode, c.argument});
        ASSERT_TRUE(peer.waitForReadyRead(10000));
        if (!c.ownerStays) {
            peer.closeWriteChannel();
            ASSERT_TRUE(finishes(peer, 10));
        }
        QCoreApplication::processEvents();
        EXPECT_FALSE(clipboard.bitmap().has_value());
        peer.closeWriteChannel();
        EXPECT_TRUE(finishes(peer, 10));
    }
}

}  // namespace
