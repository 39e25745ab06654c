#pragma once
// A plain picture in memory: what a screen grab or the clipboard delivers, and what the image
// writers take. Rows top-down, three bytes (R, G, B) per pixel, no padding.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    bool empty() const { return width <= 0 || height <= 0; }
    std::array<std::uint8_t, 3> at(int x, int y) const {
        const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
        return {pixels[i], pixels[i + 1], pixels[i + 2]};
    }
};

}  // namespace platform
