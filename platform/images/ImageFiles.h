#pragma once
// Image files from pixels: JPEG (libjpeg, quality 90, baseline), Windows BMP (24-bit), GIF
// (giflib, 256 colours) and PNG (libpng, lossless), and a reader for the formats Qt understands.
// Every writer writes a temporary file beside the target and renames it into place, so a failed
// write never leaves a half-written image under the target name. Failures throw ImageError naming
// the file.
#include <stdexcept>
#include <string>

#include "platform/Image.h"

namespace platform {

class ImageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

void writeJpeg(const RgbImage& image, const std::string& path);
void writeBmp(const RgbImage& image, const std::string& path);
void writeGif(const RgbImage& image, const std::string& path);
void writePng(const RgbImage& image, const std::string& path);

// Gives a file that another process wrote with a stricter file-creation mask (the office, whose
// files are private) the permissions of a file that this process makes.
void giveUsualPermissions(const std::string& path);

// Reads any file Qt can decode (PNG, JPEG, BMP, GIF) into RGB pixels.
RgbImage readImage(const std::string& path);

}  // namespace platform
