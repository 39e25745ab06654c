#pragma once
// The system clipboard, as far as the screen capture needs it: a bitmap goes on, a bitmap comes
// off.
#include <optional>

#include "platform/Image.h"

namespace platform {

class Clipboard {
  public:
    virtual ~Clipboard() = default;
    // The bitmap on the clipboard; nothing when it holds no image.
    virtual std::optional<RgbImage> bitmap() = 0;
    virtual void setBitmap(const RgbImage& image) = 0;
};

}  // namespace platform
