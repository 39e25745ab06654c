#pragma once
// Pixels between Qt's images and ours, for the parts of the image module that let Qt decode or
// resample.
#include <QImage>

#include "platform/Image.h"

namespace platform {

// Our packed RGB rows from any QImage (Qt pads every row to four bytes).
RgbImage FromQImage(const QImage& image);

}  // namespace platform
