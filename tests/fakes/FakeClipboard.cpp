#include "tests/fakes/FakeClipboard.h"

namespace fakes {

std::optional<platform::RgbImage> FakeClipboard::bitmap() {
    ++reads;
    return content;
}

void FakeClipboard::setBitmap(const platform::RgbImage& image) {
    ++writes;
    // As on the real clipboard, an empty picture leaves no image behind.
    if (image.empty())
        content.reset();
    else
        content = image;
}

}  // namespace fakes
