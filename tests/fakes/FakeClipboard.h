#pragma once
// A clipboard in memory that counts how often it is read and written.
#include "platform/Clipboard.h"

namespace fakes {

class FakeClipboard : public platform::Clipboard {
  public:
    std::optional<platform::RgbImage> bitmap() override;
    void setBitmap(const platform::RgbImage& image) override;

    std::optional<platform::RgbImage> content;  // nothing: the clipboard holds no image
    int reads = 0;
    int writes = 0;
};

}  // namespace fakes
