#include "platform/images/ImageSize.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/images/QtPixels.h"

namespace platform {

PixelSize FitSize(PixelSize natural, PixelSize asked) {
    if ((asked.width <= 0 && asked.height <= 0) || natural.width <= 0 || natural.height <= 0)
        return natural;
    const double aspect = static_cast<double>(natural.width) / natural.height;
    // The asked width decides unless a given height is the tighter bound.
    const bool byWidth =
        asked.width > 0 && (asked.height <= 0 || asked.width <= asked.height * aspect);
    if (byWidth)
        return {asked.width, std::max(1, static_cast<int>(std::lround(asked.width / aspect)))};
    return {std::max(1, static_cast<int>(std::lround(asked.height * aspect))), asked.height};
}

RgbImage Scaled(const RgbImage& image, PixelSize size) {
    if (size.width == image.width && size.height == image.height)
        return image;
    const QImage source(image.pixels.data(), image.width, image.height, image.width * 3,
                        QImage::Format_RGB888);
    return FromQImage(
        source.scaled(size.width, size.height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

RgbImage FromQImage(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    RgbImage packed{rgb.width(), rgb.height(), {}};
    const std::size_t row = static_cast<std::size_t>(packed.width) * 3;
    packed.pixels.resize(row * packed.height);
    for (int y = 0; y < packed.height; ++y)
        std::memcpy(packed.pixels.data() + y * row, rgb.constScanLine(y), row);
    return packed;
}

}  // namespace platform
