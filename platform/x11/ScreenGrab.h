#pragma once
// A picture of the whole X screen, as Print Screen puts one on the clipboard elsewhere. Xlib
// stays inside the .cpp: its macros clash with Qt and UNO.
#include <cstdint>
#include <memory>
#include <stdexcept>

#include "platform/Image.h"
#include "platform/x11/XTypes.h"

namespace platform {

// The root window of the default screen of the named display (nullptr: $DISPLAY) as RGB.
// Opens a connection of its own for the one grab. Throws std::runtime_error when there is no
// display, its visual has no red/green/blue masks, or the server refuses the image.
RgbImage grabScreen(const char* displayName = nullptr);

// The X server of a grab's display has ended.
class ScreenLost : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The same grab over a connection that stays open, for callers that grab again and again; on a
// server of this machine the pixels come through shared memory.
class ScreenGrabber {
  public:
    explicit ScreenGrabber(const char* displayName = nullptr);
    ~ScreenGrabber();
    ScreenGrabber(const ScreenGrabber&) = delete;
    ScreenGrabber& operator=(const ScreenGrabber&) = delete;

    // Throws ScreenLost once the server has ended.
    RgbImage grab();
    // Whether the server has ended, asked now.
    bool serverGone();

  private:
    RgbImage readImage(const _XImage& image) const;

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// How the pixels of a server image are laid out: what the grab converts from. Public so that
// layouts no test server offers (32-bit roots, packed 24-bit pixels, big-endian servers) can be
// checked too.
struct PixelLayout {
    int bitsPerPixel = 32;              // 8, 16, 24 or 32
    bool mostSignificantFirst = false;  // byte order of the multi-byte pixels
    std::uint32_t redMask = 0xff0000;
    std::uint32_t greenMask = 0x00ff00;
    std::uint32_t blueMask = 0x0000ff;
};

// Converts `height` rows of `bytesPerLine` bytes, each holding `width` pixels of `layout`, into
// RGB888. Channels of other widths than 8 bits are scaled to 0..255, rounding to nearest.
// Throws std::invalid_argument for a layout it cannot read.
RgbImage convertPixels(const std::uint8_t* data, int width, int height, int bytesPerLine,
                       const PixelLayout& layout);

}  // namespace platform
