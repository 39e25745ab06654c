// The slide range: each slide is shown in the running slide show, the screen is captured through
// the key engine's Print Screen, and the picture is written (CaptureFiles); a picture that equals
// the slide before is taken again after growing waits.
#include <algorithm>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/CaptureFiles.h"
#include "app/CommandLine.h"
#include "app/Conversion.h"
#include "app/OutputNames.h"
#include "app/Progress.h"
#include "keys/KeyEngine.h"
#include "platform/Automation.h"
#include "platform/Clipboard.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/RunPlatform.h"
#include "platform/images/ImageSize.h"
#include "support/FileCompare.h"

namespace app {

namespace {

// Repeated captures of one slide that still equals the slide before: waits of 1 s to 5 s, then
// the capture is kept, so that a run nobody watches always ends.
constexpr int MaxCaptureRepeats = 5;

// The slides of a range that could not be shown, as runs of consecutive numbers, so that a range
// far past the end of the presentation is named in a few words.
class SlideRuns {
  public:
    void add(long long from, long long to) {
        if (!runs_.empty() && runs_.back().second + 1 == from)
            runs_.back().second = to;
        else
            runs_.emplace_back(from, to);
    }
    bool empty() const { return runs_.empty(); }
    bool endsWith(long long slide) const { return !empty() && runs_.back().second == slide; }

    // "Slide 7", "Slides 7, 8" or "Slides 3, 7 to 1500".
    std::string text() const {
        const bool one = runs_.size() == 1 && runs_.front().first == runs_.front().second;
        std::string text = one ? "Slide " : "Slides ";
        std::string separator;
        for (const auto& [from, to] : runs_) {
            text += separator + std::to_string(from);
            if (to == from + 1)
                text += ", " + std::to_string(to);
            else if (to > from)
                text += " to " + std::to_string(to);
            separator = ", ";
        }
        return text;
    }

  private:
    std::vector<std::pair<long long, long long>> runs_;
};

bool allBlack(const platform::RgbImage& picture) {
    return std::all_of(picture.pixels.begin(), picture.pixels.end(),
                       [](std::uint8_t channel) { return channel == 0; });
}

// The capture, the screen's size, at the size the request asks for.
platform::RgbImage atAskedSize(const platform::RgbImage& capture,
                               const ConversionRequest& request) {
    const platform::PixelSize size = platform::FitSize({capture.width, capture.height},
                                                       {request.imageWidth, request.imageHeight});
    return platform::Scaled(capture, size);
}

std::string missingSlide(long long slide, int slideCount) {
    return "Error: Slide " + std::to_string(slide) + " does not exist: " +
           (slide < 1 ? std::string("slides are numbered from 1.")
                      : "the presentation has " + std::to_string(slideCount) +
                            (slideCount == 1 ? " slide." : " slides."));
}

// An office that is gone cannot show the rest, whichever of its calls found it gone: that ends
// the run, naming the slide.
[[noreturn]] void rethrowNamingTheSlide(long long slide) {
    try {
        throw;
    } catch (const platform::AutomationError& error) {
        if (!error.applicationLost())
            throw;
        throw std::runtime_error("Error: Slide " + std::to_string(slide) +
                                 " could not be captured: " + error.what());
    }
}

}  // namespace

SlideNumbers RangeOf(const ConversionRequest& request) {
    // A box with nothing selected stands for slide 1.
    const auto fromBox = [](int position) { return position < 0 ? 1 : position + 1; };
    return {request.firstSlide.value_or(fromBox(request.firstPosition)),
            request.lastSlide.value_or(fromBox(request.lastPosition))};
}

// What the slides of one range share.
struct Conversion::RangeState {
    const ConversionRequest& request;
    platform::RunPlatform& run;
    platform::PresentationApp& app;
    keys::KeyEngine& keyEngine;
    CaptureFiles& files;
    SlideNumbers range;
    std::string previous;  // the file of the slide before
    std::string current;   // the file of this slide
    SlideRuns notShown;
    std::string notShownReason;  // why the first slide not shown was not
    std::string moveFailure;     // why the last slide not shown was not
    bool captured = false;
};

void Conversion::captureRange(const ConversionRequest& request, platform::RunPlatform& run,
                              std::unique_ptr<platform::PresentationApp>& app,
                              const std::string& formatWord, int slideCount) {
    const SlideNumbers range = RangeOf(request);
    // A range that cannot begin writes nothing at all.
    if (range.first <= range.last && (range.first < 1 || range.first > slideCount)) {
        QuitAndDrop(app);
        return fail(missingSlide(range.first, slideCount));
    }
    CaptureFiles files(request, formatWord, NumberWidth(slideCount), namedImages_);
    keys::KeyEngine keyEngine(run.input(), services_.clock, services_.dialogs, services_.log,
                              services_.keySettings);
    RangeState state{request, run, *app, keyEngine, files, range, {}, {}, {}, {}, {}, false};

    for (long long slide = range.first; slide <= range.last; ++slide) {
        // Past both the presentation and the boxes' slides, no move can show anything more and
        // no entry would say more: the rest is named, not walked.
        if (!state.notShown.empty() && slide > std::max(slideCount, SlideBoxItems)) {
            state.notShown.add(slide, range.last);
            break;
        }
        try {
            captureSlide(state, slide);
        } catch (...) {
            // Whatever failed on the way, the cause is the screen that went.
            if (run.screenLost())
                throw std::runtime_error("Error: the private screen ended while showing slide " +
                                         std::to_string(slide));
            rethrowNamingTheSlide(slide);
        }
        state.previous = state.current;
        result_.OutputFiles.push_back(state.current);
        result_.unshown.push_back(state.notShown.endsWith(slide));
    }
    QuitAndDrop(app);
    if (const std::string keptAside = files.keptAsideMessage(); !keptAside.empty())
        fail(keptAside);

    // Not one slide could be shown: the run produced nothing, and that must not look like
    // success.
    if (!state.captured && range.first <= range.last) {
        fail("Error: No slide could be captured: " + state.moveFailure);
    } else if (!state.notShown.empty()) {
        // Some of the slides asked for are missing: the images that were made stay, and the
        // run does not count as done.
        fail(state.notShown.text() + " could not be shown (" + state.notShownReason +
             "); each repeats the slide before it.");
    }
}

void Conversion::captureSlide(RangeState& range, long long slide) {
    const int number = static_cast<int>(slide);
    for (int attempts = 0;; ++attempts) {
        try {
            range.app.goToSlide(number);
        } catch (const platform::AutomationError& error) {
            if (error.applicationLost())
                throw;
            if (attempts == 0) {
                if (range.notShown.empty())
                    range.notShownReason = error.what();
                range.moveFailure = error.what();
                range.notShown.add(slide, slide);
            }
            return;
        }
        showProgress(CaptureProgress(number, range.range.first, range.range.last, attempts,
                                     MaxCaptureRepeats));
        if (attempts > 0)
            services_.clock.sleep(attempts * 1000);
        range.keyEngine.SendKeys(range.request.captureKeys, true);
        const std::optional<platform::RgbImage> capture = range.run.clipboard().bitmap();
        if (!capture)
            throw std::runtime_error("Unsupported clipboard format");
        // A screen that showed nothing must not pass for a black slide.
        if (allBlack(*capture) && !range.app.slideIsBlack(number))
            throw std::runtime_error("Error: Slide " + std::to_string(slide) +
                                     " was captured all black, but the slide is not black");
        range.current = range.files.write(number, atAskedSize(*capture, range.request));
        range.captured = true;
        // A slide is compared with the slide before it, never with its own file.
        if (slide == range.range.first || attempts == MaxCaptureRepeats ||
            range.current == range.previous ||
            !support::SameFileContents(range.current, range.previous))
            return;
    }
}

}  // namespace app
