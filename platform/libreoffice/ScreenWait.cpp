// The wait until a slide the show has moved to is drawn on the screen.
#include <algorithm>

#include "platform/libreoffice/LibreOfficeApp.h"

namespace platform::office {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using rtl::OUString;

// The show reports a slide before it is drawn; a slide drawn for the first time can take
// longer than any fixed pause. Without a way to look at the screen, a short pause is all
// there is.
std::optional<RgbImage> LibreOfficeApp::grabScreen() {
    if (!screen_ && !screenUnavailable_) {
        try {
            screen_ = std::make_unique<ScreenGrabber>();
        } catch (const std::runtime_error&) {
            screenUnavailable_ = true;
        }
    }
    if (!screen_)
        return std::nullopt;
    try {
        return screen_->grab();
    } catch (const std::runtime_error&) {
        return std::nullopt;
    }
}

// Returns once the screen differs from `before` (when a change is expected: another slide
// may look the same, so not for ever) and has then stayed the same for a moment.
// Returns once the screen shows something drawn (a new show's window is black at first),
// differs from `before` (when a change is expected: another slide may look the same, so
// not for ever) and has then stayed the same for a while.
void LibreOfficeApp::waitUntilOnScreen(const std::optional<RgbImage>& before, bool expectChange) {
    std::optional<RgbImage> last = grabScreen();
    if (!before || !last) {
        std::this_thread::sleep_for(60ms);
        return;
    }
    const auto blank = [](const RgbImage& image) {
        return std::all_of(image.pixels.begin(), image.pixels.end(),
                           [](std::uint8_t byte) { return byte == 0; });
    };
    const auto drawnDeadline = std::chrono::steady_clock::now() + 2000ms;
    while ((blank(*last) || (expectChange && last->pixels == before->pixels)) &&
           std::chrono::steady_clock::now() < drawnDeadline) {
        std::this_thread::sleep_for(10ms);
        last = grabScreen();
        if (!last)
            return;
    }
    // Unchanged over two looks in a row: a slide drawn in stages is complete.
    const auto settleDeadline = std::chrono::steady_clock::now() + 1000ms;
    for (int unchanged = 0; unchanged < 2 && std::chrono::steady_clock::now() < settleDeadline;) {
        std::this_thread::sleep_for(40ms);
        std::optional<RgbImage> next = grabScreen();
        if (!next)
            return;
        unchanged = next->pixels == last->pixels ? unchanged + 1 : 0;
        last = std::move(next);
    }
}

}  // namespace platform::office
