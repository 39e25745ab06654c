#pragma once
// The conversion engine: the Convert command and the slide export behind it, without a window.
// It takes a request in the form the main window's controls (or the command line) give it and
// the services it needs; it asks its questions through the dialogs and shows what the window
// would show through an observer.
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/NamedImages.h"
#include "app/Options.h"
#include "app/Program.h"

namespace platform {
class PresentationApp;
class RunPlatform;
}  // namespace platform

namespace app {

// What one conversion is asked to do.
struct ConversionRequest {
    std::string fileName;   // the presentation, as typed
    bool allSlides = true;  // otherwise the range of the two slide boxes
    // The slide boxes' selected positions (position p is slide p + 1; -1: nothing selected).
    int firstPosition = -1;
    int lastPosition = -1;
    // Slide numbers asked for as numbers (the command line): used as they are, in place of the
    // positions, also where the boxes have no item for them (0, or above their last).
    std::optional<int> firstSlide;
    std::optional<int> lastSlide;
    std::string outputDir;  // as typed; the Convert command fills in a blank one
    std::string formatText = "Convert to *.jpg";  // its last three characters name the format
    std::string formatOverride;  // FormatOverride: preferred to formatText when not empty
    std::string pattern = "_#";  // the image names; "#" stands for the slide number
    // The part of the pattern that came from the presentation's own name (see OutputFileName).
    std::string deckNameInPattern;
    bool batchMode = false;  // BatchMode: no final question
    // Offices that export all slides side by side; 0: as many as the platform finds useful.
    int offices = 0;
    // The images' size in pixels. With one side 0 the other follows the slide's aspect; with
    // both the image fits inside them. Neither: the slide's own size (all slides), the screen's
    // (a range).
    int imageWidth = 0;
    int imageHeight = 0;
    // Of all slides only these, in order (Options::exportSlides); empty: every slide.
    std::vector<SlideRange> exportSlides;
    std::string captureKeys = "{PRTSC}";  // CaptureKeys
};

// What a conversion wrote and how it ended.
struct ConversionResult {
    // The checks passed and the run began: OutputFiles below replaces the caller's list.
    bool started = false;
    // Full paths of the images, in slide order.
    std::vector<std::string> OutputFiles;
    // Entries that repeat the one before for a slide that could not be shown: reported once by
    // the range, never compared with their own file.
    std::vector<bool> unshown;
    // An error was shown to the user, or the user refused what the run needed.
    bool failed = false;
};

// The window's visible side of a run. A run without a window takes NoWindow.
class ConversionObserver {
  public:
    virtual ~ConversionObserver() = default;
    // A run of the request begins, its output directory filled in: the caption the window has
    // now is the one to put back.
    virtual void beginRun(const ConversionRequest& request) = 0;
    // The caption shows the text at once, although the run holds the thread.
    virtual void showCaption(const std::string& text) = 0;
    // The busy cursor, until endRun.
    virtual void showBusy() = 0;
    // The caption from before the run, and the ordinary cursor.
    virtual void endRun() = 0;
    virtual void minimizeApplication() = 0;
    virtual void restoreApplication() = 0;
};

class NoWindow : public ConversionObserver {
  public:
    void beginRun(const ConversionRequest&) override {}
    void showCaption(const std::string&) override {}
    void showBusy() override {}
    void endRun() override {}
    void minimizeApplication() override {}
    void restoreApplication() override {}
};

class Conversion {
  public:
    Conversion(ProgramServices services, ConversionObserver& observer)
        : services_(services), observer_(observer) {
        namedImages_.whenWaiting([this](const std::string& directory) {
            showProgress("Waiting for another run that names images in " + directory + "...");
        });
    }

    // The Convert command: checks the request, fills in a blank output directory (in
    // request.outputDir), exports, reports equal neighbouring images and, unless in batch mode,
    // offers to open the first one. An error the run does not handle escapes once the observer
    // has ended the run; result() then holds what was written until then.
    void run(ConversionRequest& request);

    // The slide export alone, as the Convert command runs it after its checks: appends to
    // result().
    void exportSlides(const ConversionRequest& request);

    const ConversionResult& result() const { return result_; }

  private:
    void reportDuplicates();
    void convertAllSlides(const ConversionRequest& request,
                          std::unique_ptr<platform::PresentationApp>& app,
                          const std::string& formatWord, int slideCount, int numberWidth);
    void captureRange(const ConversionRequest& request, platform::RunPlatform& run,
                      std::unique_ptr<platform::PresentationApp>& app,
                      const std::string& formatWord, int slideCount);
    // One slide of a range: shown, captured (again while it equals the slide before) and written.
    struct RangeState;
    void captureSlide(RangeState& range, long long slide);
    // The state of the run: in the caption, and on a terminal when the dialogs show one.
    void showProgress(const std::string& text);
    // Shows an error of the run's own and marks the run failed.
    void fail(const std::string& message);
    // The run's end check: images that another program replaced since this run named them are
    // no longer listed as its own, and are named in an error.
    void reportReplacedImages();

    ProgramServices services_;
    ConversionObserver& observer_;
    ConversionResult result_;
    NamedImages namedImages_;
};

// The run settings that no control of the window holds, from the command line's options.
void ApplyRunOptions(const Options& options, ConversionRequest& request);

// The offices worth starting for an export the options ask for: --jobs, or as many as the
// machine runs well; never more than the slides listed.
int OfficesForExport(const Options& options);

// The images a run wrote, each once, in slide order: its entries without the empty ones and
// those that repeat an image for a slide that could not be shown.
std::vector<std::string> WrittenFiles(const ConversionResult& result);

// Prints each file followed by `end` (a newline, or NUL for names that may hold one); false when
// they could not all be written.
bool PrintFiles(const std::vector<std::string>& files, std::FILE* out, char end = '\n');
// The text the general error display shows for an error that escaped a run: the program's own
// errors begin with "Error: ", while the runtime's conversion error ("'abc' is not a valid integer
// value") and a clipboard without a bitmap ("Unsupported clipboard format") keep their own text.
std::string GeneralErrorText(const std::exception& error);

// Quit ends the application; the object is dropped even when Quit fails, which ends the office
// too, so a failing Quit is never asked again.
void QuitAndDrop(std::unique_ptr<platform::PresentationApp>& app);

// The first and last slide of the request's range.
struct SlideNumbers {
    int first = 1;
    int last = 1;
};
SlideNumbers RangeOf(const ConversionRequest& request);

// The image of one slide: in the request's output directory, named after its pattern.
std::string ImageFileName(const ConversionRequest& request, int slide, int numberWidth,
                          const std::string& extension);

}  // namespace app
