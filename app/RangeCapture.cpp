// The slide range: each slide is shown in the running slide show, the screen is captured through
// the key engine's Print Screen, and the picture is written; a picture that equals the slide
// before is taken again after growing waits.
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/Conversion.h"
#include "app/OutputNames.h"
#include "app/Progress.h"
#include "keys/KeyEngine.h"
#include "platform/Automation.h"
#include "platform/Clipboard.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/RunPlatform.h"
#include "platform/images/ImageFiles.h"
#include "platform/images/ImageSize.h"
#include "support/FileCompare.h"

namespace app {

namespace {

// Repeated captures of one slide that still equals the slide before: waits of 1 s to 5 s, then
// the capture is kept, so that a run nobody watches always ends.
constexpr int MaxCaptureRepeats = 5;

void writeCapture(const platform::RgbImage& capture, const std::string& formatWord,
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

// The capture, the screen's size, at the size the request asks for.
platform::RgbImage atAskedSize(const platform::RgbImage& capture,
                               const ConversionRequest& request) {
    const platform::PixelSize size = platform::FitSize({capture.width, capture.height},
                                                       {request.imageWidth, request.imageHeight});
    return platform::Scaled(capture, size);
}

// "Slide 7" or "Slides 7, 8, 9".
std::string slideList(const std::vector<int>& slides) {
    std::string text = slides.size() == 1 ? "Slide " : "Slides ";
    for (std::size_t i = 0; i < slides.size(); ++i)
        text += (i == 0 ? "" : ", ") + std::to_string(slides[i]);
    return text;
}

}  // namespace

void Conversion::captureRange(const ConversionRequest& request, platform::RunPlatform& run,
                              std::unique_ptr<platform::PresentationApp>& app,
                              const std::string& formatWord, int numberWidth) {
    const int first = request.firstPosition < 0 ? 1 : request.firstPosition + 1;
    const int last = request.lastPosition < 0 ? 1 : request.lastPosition + 1;
    std::string previous;
    std::string current;
    std::string moveFailure;
    std::vector<int> notShown;
    std::string notShownReason;
    bool captured = false;
    keys::KeyEngine keyEngine(run.input(), services_.clock, services_.dialogs, services_.log,
                              services_.keySettings);

    for (int slide = first; slide <= last; ++slide) {
        for (int attempts = 0;; ++attempts) {
            try {
                app->goToSlide(slide);
            } catch (const platform::AutomationError& error) {
                // An office that is gone cannot show the rest: that ends the run.
                if (error.applicationLost())
                    throw std::runtime_error("Error: Slide " + std::to_string(slide) +
                                             " could not be captured: " + error.what());
                if (attempts == 0) {
                    if (notShown.empty())
                        notShownReason = error.what();
                    moveFailure = error.what();
                    notShown.push_back(slide);
                }
                break;
            }
            showProgress(CaptureProgress(slide, first, last, attempts, MaxCaptureRepeats));
            if (attempts > 0)
                services_.clock.sleep(attempts * 1000);
            keyEngine.SendKeys(request.captureKeys, true);
            const std::optional<platform::RgbImage> capture = run.clipboard().bitmap();
            if (!capture)
                throw std::runtime_error("Unsupported clipboard format");
            current = ImageFileName(request, slide, numberWidth, formatWord);
            writeCapture(atAskedSize(*capture, request), formatWord, current);
            captured = true;
            if (slide == first || attempts == MaxCaptureRepeats ||
                !support::SameFileContents(current, previous))
                break;
        }
        previous = current;
        result_.OutputFiles.push_back(current);
        result_.unshown.push_back(!notShown.empty() && notShown.back() == slide);
    }
    QuitAndDrop(app);

    // Not one slide could be shown: the run produced nothing, and that must not look like
    // success.
    if (!captured && first <= last) {
        fail("Error: No slide could be captured: " + moveFailure);
    } else if (!notShown.empty()) {
        services_.dialogs.message(slideList(notShown) + " could not be shown (" + notShownReason +
                                  "); each repeats the slide before it.");
    }
}

}  // namespace app
