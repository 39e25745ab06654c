#pragma once
// The size an image is asked for, and a picture brought to it.
#include "platform/Image.h"

namespace platform {

// A size in pixels; 0 for a side stands for "whatever the other side makes it".
struct PixelSize {
    int width = 0;
    int height = 0;
};

// The size of a picture of the proportions of `natural` (any unit) asked to be `asked`: with one
// side given, the other follows the picture's aspect; with both, the largest size that fits
// inside them without distortion; with neither, `natural` itself.
PixelSize FitSize(PixelSize natural, PixelSize asked);

// The picture at `size`, resampled with a smoothing filter.
RgbImage Scaled(const RgbImage& image, PixelSize size);

}  // namespace platform
