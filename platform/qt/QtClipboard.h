#pragma once
// The system clipboard through Qt: works wherever a QGuiApplication runs (xcb, offscreen).
#include "platform/Clipboard.h"

namespace platform {

class QtClipboard : public Clipboard {
  public:
    // Throws std::logic_error when no QGuiApplication exists yet.
    QtClipboard();

    // The clipboard's image as RGB888, whatever format its owner put it in; nothing when the
    // clipboard holds no image (or only text).
    std::optional<RgbImage> bitmap() override;
    // Replaces the clipboard's contents with the picture; an empty picture clears it. Throws
    // std::invalid_argument when the pixels do not match the size.
    void setBitmap(const RgbImage& image) override;
};

}  // namespace platform
