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

std::string missingSlide(long long slide, int slideCount) {
    return "Error: Slide " + std::to_string(slide) + " does not exist: " +
           (slide < 1 ? std::string("slides are numbered from 1.")
                      : "the presentation has " + std::to_string(slideCount) +
                            (slideCount == 1 ? " slide." : " slides."));
}

}  // namespace

SlideNumbers RangeOf(const ConversionRequest& request) {
    // A box with nothing selected stands for slide 1.
    const auto fromBox = [](int position) { return position < 0 ? 1 : position + 1; };
    return {request.firstSlide.value_or(fromBox(request.firstPosition)),
            request.lastSlide.value_or(fromBox(request.lastPosition))};
}

void Conversion::captureRange(const ConversionRequest& request, platform::RunPlatform& run,
                              std::unique_ptr<platform::PresentationApp>& app,
                              const std::string& formatWord, int slideCount) {
    const auto [first, last] = RangeOf(request);
    // A range that cannot begin writes nothing at all.
    if (first <= last && (first < 1 || first > slideCount)) {
        QuitAndDrop(app);
        return fail(missingSlide(first, slideCount));
    }
    CaptureFiles files(request, formatWord, NumberWidth(slideCount));
    std::string previous;
    std::string current;
    std::string moveFailure;
    SlideRuns notShown;
    std::string notShownReason;
    bool captured = false;
    keys::KeyEngine keyEngine(run.input(), services_.clock, services_.dialogs, services_.log,
                              services_.keySettings);

    for (long long slide = first; slide <= last; ++slide) {
        // Past both the presentation and the boxes' slides, no move can show anything more and
        // no entry would say more: the rest is named, not walked.
        if (!notShown.empty() && slide > std::max(slideCount, SlideBoxItems)) {
            notShown.add(slide, last);
            break;
        }
        for (int attempts = 0;; ++attempts) {
            try {
                app->goToSlide(static_cast<int>(slide));
            } catch (const platform::AutomationError& error) {
                // An office that is gone cannot show the rest: that ends the run.
                if (error.applicationLost())
                    throw std::runtime_error("Error: Slide " + std::to_string(slide) +
                                             " could not be captured: " + error.what());
                if (attempts == 0) {
                    if (notShown.empty())
                        notShownReason = error.what();
                    moveFailure = error.what();
                    notShown.add(slide, slide);
                }
                break;
            }
            showProgress(
                CaptureProgress(static_cast<int>(slide), first, last, attempts, MaxCaptureRepeats));
            if (attempts > 0)
                services_.clock.sleep(attempts * 1000);
            keyEngine.SendKeys(request.captureKeys, true);
            const std::optional<platform::RgbImage> capture = run.clipboard().bitmap();
            if (!capture)
                throw std::runtime_error("Unsupported clipboard format");
            current = files.write(static_cast<int>(slide), *capture);
            captured = true;
            // A slide is compared with the slide before it, never with its own file.
            if (slide == first || attempts == MaxCaptureRepeats || current == previous ||
                !support::SameFileContents(current, previous))
                break;
        }
        previous = current;
        result_.OutputFiles.push_back(current);
        result_.unshown.push_back(notShown.endsWith(slide));
    }
    QuitAndDrop(app);
    if (const std::string keptAside = files.keptAsideMessage(); !keptAside.empty())
        fail(keptAside);

    // Not one slide could be shown: the run produced nothing, and that must not look like
    // success.
    if (!captured && first <= last) {
        fail("Error: No slide could be captured: " + moveFailure);
    } else if (!notShown.empty()) {
        // Some of the slides asked for are missing: the images that were made stay, and the
        // run does not count as done.
        fail(notShown.text() + " could not be shown (" + notShownReason +
             "); each repeats the slide before it.");
    }
}

}  // namespace app
