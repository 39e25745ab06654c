#include "app/CaptureFiles.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "app/OutputNames.h"
#include "app/StagingFolder.h"
#include "platform/Automation.h"
#include "platform/images/ImageFiles.h"
#include "support/TextUtil.h"

namespace app {

void WriteCapture(const platform::RgbImage& capture, const std::string& formatWord,
                  const std::string& path) {
    switch (ExportFormatFor(formatWord).number) {
        case platform::SaveAsJpeg:
            return platform::writeJpeg(capture, path);
        case platform::SaveAsGif:
            return platform::writeGif(capture, path);
        case platform::SaveAsPng:
            return platform::writePng(capture, path);
        default:
            return platform::writeBmp(capture, path);
    }
}

CaptureFiles::CaptureFiles(const ConversionRequest& request, std::string formatWord,
                           int numberWidth, NamedImages& named)
    : request_(request),
      formatWord_(std::move(formatWord)),
      numberWidth_(numberWidth),
      named_(named) {}

CaptureFiles::~CaptureFiles() = default;

std::string CaptureFiles::write(int slide, const platform::RgbImage& capture) {
    named_.beforeNaming(request_.outputDir);
    if (slide == lastSlide_ && !lastPath_.empty()) {
        WriteCapture(capture, formatWord_, lastPath_);
        named_.named(lastPath_);
        return lastPath_;
    }
    const std::string target = ImageFileName(request_, slide, numberWidth_, formatWord_);
    std::string path;
    if (written_.count(target) == 0) {
        WriteCapture(capture, formatWord_, target);
        path = target;
    } else {
        takenName_ = target;
        path = keepBeside(slide, capture);
    }
    if (!path.empty())
        named_.named(path);
    written_.insert(path);
    lastSlide_ = slide;
    lastPath_ = path;
    return path;
}

std::string CaptureFiles::keepBeside(int slide, const platform::RgbImage& capture) {
    const std::string& directory = request_.outputDir;
    if (!staging_) {
        try {
            staging_ = std::make_unique<StagingFolder>(directory);
        } catch (const std::system_error& error) {
            throw std::runtime_error("Error: Cannot write into " + directory + ": " +
                                     error.code().message());
        }
    }
    const std::string stem = "Slide" + std::to_string(slide);
    const std::string staged = staging_->path() + "/" + stem + "." + formatWord_;
    WriteCapture(capture, formatWord_, staged);
    const std::string kept = MoveBesideWithoutReplacing(staged, directory, stem, formatWord_);
    keptAside_.push_back(kept.empty() ? "(lost)" : std::filesystem::path(kept).filename().string());
    return kept;
}

std::string CaptureFiles::keptAsideMessage() const {
    if (keptAside_.empty())
        return "";
    return "Error: " + takenName_ +
           " would have held more than one slide: the others are kept in " + request_.outputDir +
           " as " + support::CommaList(keptAside_);
}

}  // namespace app
