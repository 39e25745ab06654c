#include "platform/qt/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <cstring>
#include <stdexcept>

namespace platform {
namespace {

QClipboard& systemClipboard() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        throw std::logic_error("the clipboard needs a QGuiApplication");
    return *QGuiApplication::clipboard();
}

}  // namespace

QtClipboard::QtClipboard() {
    systemClipboard();
}

std::optional<RgbImage> QtClipboard::bitmap() {
    QImage image = systemClipboard().image();
    if (image.isNull())
        return std::nullopt;
    if (image.format() != QImage::Format_RGB888)
        image.convertTo(QImage::Format_RGB888);
    RgbImage result;
    result.width = image.width();
    result.height = image.height();
    const std::size_t row = static_cast<std::size_t>(result.width) * 3;
    result.pixels.resize(row * result.height);
    // Qt pads every row to four bytes; ours are packed.
    for (int y = 0; y < result.height; ++y)
        std::memcpy(result.pixels.data() + row * y, image.constScanLine(y), row);
    return result;
}

void QtClipboard::setBitmap(const RgbImage& image) {
    QClipboard& clipboard = systemClipboard();
    if (image.empty()) {
        clipboard.clear();
        return;
    }
    if (image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 3)
        throw std::invalid_argument("the picture's pixels do not match its size");
    // The wrapper borrows our pixels; the clipboard keeps a copy of its own.
    const QImage borrowed(image.pixels.data(), image.width, image.height, image.width * 3,
                          QImage::Format_RGB888);
    clipboard.setImage(borrowed.copy());
}

}  // namespace platform
