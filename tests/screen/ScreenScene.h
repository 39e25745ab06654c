#pragma once
// What the screen tests put on an X screen and read back: a full-screen window of one colour
// with a small window of another at a known place, painted by the X server itself. Private X
// servers (of other depths, say) are platform::PrivateScreen. Xlib is kept in ScreenScene.cpp,
// away from GoogleTest's headers.
#include <array>
#include <cstdint>
#include <string>

#include "platform/Image.h"
#include "tests/decks/TestDecks.h"

namespace screentest {

using Rgb = testdecks::Rgb;

// Distinct in every channel, so that swapped channels show.
inline constexpr Rgb Background = {0x20, 0x90, 0xe0};
inline constexpr Rgb Patch = {0xf0, 0x40, 0x10};
inline constexpr Rgb OtherPatch = {0x60, 0xf0, 0x80};
// The small window: left, top, width, height (fits a 320x240 screen).
inline constexpr int PatchX = 100, PatchY = 150, PatchW = 50, PatchH = 40;

// Two override-redirect windows on the named display (nullptr: $DISPLAY), mapped and painted
// before the constructor returns; gone with the object.
class Scene {
  public:
    explicit Scene(const char* displayName = nullptr);
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    int screenWidth() const { return width_; }
    int screenHeight() const { return height_; }
    // Repaints the small window; painted when this returns.
    void paintPatch(const Rgb& colour);

  private:
    void* display_ = nullptr;  // Display*
    unsigned long full_ = 0, patch_ = 0;
    int width_ = 0, height_ = 0;
};

std::string text(const Rgb& c);

// Checks that the picture is the scene: the patch colour inside the small window, `background`
// at its edges' outer neighbours and in the screen's corners. Empty when all match; otherwise
// one line per point that does not.
std::string sceneMismatches(const platform::RgbImage& image, const Rgb& patch, int tolerance,
                            const Rgb& background = Background);

}  // namespace screentest
