#pragma once
// One slide into one image file, through one office.
#include <string>

#include "platform/images/ImageSize.h"
#include "platform/libreoffice/OfficeSession.h"

namespace platform::office {

struct SaveFormat {
    const char* extension;
    const char* exportMime;  // what LibreOffice writes
    bool convertToBmp;       // its BMP export is broken: go through PNG
};

// What each slide's image is: its format, and the size asked for (see FitSize; none asked: the
// slide's own size at 96 pixels per inch).
struct SlideImage {
    SaveFormat format;
    PixelSize size;
};

// The format of a SaveAs format number; throws AutomationError for one it does not know.
SaveFormat saveFormat(int number);

// Exports slide `n` of the office's open presentation as `directory`/Slide<n>.<extension>, drawn
// at the image's size. The office writes to a scratch name that carries `writer`, so that
// offices exporting side by side never share one; only a complete image takes the slide's name.
void exportSlide(OfficeSession& office, const std::string& directory, int n,
                 const SlideImage& image, const std::string& writer);

}  // namespace platform::office
