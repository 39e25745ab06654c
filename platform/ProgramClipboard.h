#pragma once
// The program's own clipboard: Print Screen leaves the screen's picture here, and the range's
// writer takes it from here. It lives in this process alone, so the clipboard of the user's
// desktop keeps whatever the user copied.
#include <optional>
#include <utility>

#include "platform/Clipboard.h"

namespace platform {

class ProgramClipboard : public Clipboard {
  public:
    std::optional<RgbImage> bitmap() override { return picture_; }
    // An empty picture leaves the clipboard without one.
    void setBitmap(const RgbImage& image) override { setBitmap(RgbImage(image)); }
    void setBitmap(RgbImage&& image) {
        if (image.empty())
            picture_.reset();
        else
            picture_ = std::move(image);
    }

  private:
    std::optional<RgbImage> picture_;
};

}  // namespace platform
