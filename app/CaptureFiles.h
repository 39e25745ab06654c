#pragma once
// Where the captures of a slide range go. Each slide takes its own image name; a name another
// slide of this run already wrote (a pattern without "#") is never written again: that slide is
// kept beside it under "Slide<n>", as the export of all slides keeps it.
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/Conversion.h"
#include "platform/Image.h"

namespace app {

class StagingFolder;

class CaptureFiles {
  public:
    // Every image written is recorded in `named`, which holds the directory from the first one.
    CaptureFiles(const ConversionRequest& request, std::string formatWord, int numberWidth,
                 NamedImages& named);
    ~CaptureFiles();
    CaptureFiles(const CaptureFiles&) = delete;
    CaptureFiles& operator=(const CaptureFiles&) = delete;

    // Writes the capture of `slide` and returns its path; another capture of the same slide
    // replaces the one before. Empty when a slide kept beside found no free name.
    std::string write(int slide, const platform::RgbImage& capture);
    // The error that names the slides kept beside; empty when every slide has its own name.
    std::string keptAsideMessage() const;

  private:
    std::string keepBeside(int slide, const platform::RgbImage& capture);

    const ConversionRequest& request_;
    const std::string formatWord_;
    const int numberWidth_;
    NamedImages& named_;
    std::set<std::string> written_;
    int lastSlide_ = 0;
    std::string lastPath_;
    std::unique_ptr<StagingFolder> staging_;  // made for the first slide kept beside
    std::string takenName_;
    std::vector<std::string> keptAside_;
};

// Writes the picture in the format the word names.
void WriteCapture(const platform::RgbImage& capture, const std::string& formatWord,
                  const std::string& path);

}  // namespace app
