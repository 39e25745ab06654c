#pragma once
// One slide into one image file, through one office.
#include <string>

#include "platform/libreoffice/OfficeSession.h"

namespace platform::office {

struct SaveFormat {
    const char* extension;
    const char* exportMime;  // what LibreOffice writes
    bool convertToBmp;       // its BMP export is broken: go through PNG
};

// The format of a SaveAs format number; throws AutomationError for one it does not know.
SaveFormat saveFormat(int number);

// Exports slide `n` of the office's open presentation as `directory`/Slide<n>.<extension>, at
// the slide's own size (96 pixels per inch). The office writes to a scratch name that carries
// `writer`, so that offices exporting side by side never share one; only a complete image takes
// the slide's name.
void exportSlide(OfficeSession& office, const std::string& directory, int n,
                 const SaveFormat& format, const std::string& writer);

}  // namespace platform::office
