// The slide export engine: the office opens the presentation and shows it, and either exports
// every slide (here) or the range is captured from its slide show (RangeCapture.cpp).
#include "app/Conversion.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>
#include <system_error>
#include <utility>

#include "app/OutputNames.h"
#include "app/Progress.h"
#include "app/StagingFolder.h"
#include "platform/Automation.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/OwnedFolder.h"
#include "platform/RunPlatform.h"
#include "support/Files.h"
#include "support/TextUtil.h"

namespace app {

namespace {

namespace fs = std::filesystem;

// Both name one existing file (the same inode).
bool isSameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return fs::equivalent(a, b, error) && !error;
}

// The name part is longer than the directory's file system allows.
bool nameTooLong(const std::string& path) {
    const fs::path name = fs::path(path).filename();
    const std::size_t limit = platform::NameLimit(fs::path(path).parent_path().string());
    return limit > 0 && name.string().size() > limit;
}

// The application is told to quit when a run ends early; a failure to quit then must not hide
// the error that ended the run. Releasing the object ends the office in any case.
void quitQuietly(std::unique_ptr<platform::PresentationApp>& app) {
    if (!app)
        return;
    try {
        app->quit();
    } catch (const std::exception&) {
    }
    app.reset();
}

// "there is no slide 13", "there are no slides 13-14, 20": the listed slides past the last one;
// empty when there are none.
std::string slidesBeyond(const std::vector<SlideRange>& list, int slideCount) {
    std::string text;
    long count = 0;
    for (const SlideRange& range : list) {
        if (range.last <= slideCount)
            continue;
        const int first = std::max(range.first, slideCount + 1);
        count += static_cast<long>(range.last) - first + 1;
        text += (text.empty() ? "" : ", ") + std::to_string(first) +
                (range.last > first ? "-" + std::to_string(range.last) : "");
    }
    if (text.empty())
        return text;
    return (count == 1 ? "there is no slide " : "there are no slides ") + text;
}

// Every slide of the deck, or the listed ones.
std::vector<int> slidesToExport(const std::vector<SlideRange>& list, int slideCount) {
    std::vector<int> slides;
    if (list.empty()) {
        for (int slide = 1; slide <= slideCount; ++slide) slides.push_back(slide);
    }
    for (const SlideRange& range : list) {
        for (int slide = range.first; slide <= std::min(range.last, slideCount); ++slide)
            slides.push_back(slide);
    }
    return slides;
}

}  // namespace

void QuitAndDrop(std::unique_ptr<platform::PresentationApp>& app) {
    const std::unique_ptr<platform::PresentationApp> quitting = std::move(app);
    quitting->quit();
}

std::string ImageFileName(const ConversionRequest& request, int slide, int numberWidth,
                          const std::string& extension) {
    return OutputFileName(request.outputDir, request.pattern, slide, numberWidth, extension,
                          request.deckNameInPattern);
}

void Conversion::exportSlides(const ConversionRequest& request) {
    const std::string typedWord = request.formatOverride.empty()
                                      ? support::RightJustify(request.formatText, 3)
                                      : request.formatOverride;
    const std::optional<ExportFormat> format = FindExportFormat(typedWord);
    if (!format)
        return fail(UnknownFormatMessage(typedWord));
    // From here on the word is the format's own, in lower case: the message, the export and
    // the file names all say what the files hold.
    const std::string& formatWord = format->extension;
    const std::string& directory = request.outputDir;
    platform::Dialogs& dialogs = services_.dialogs;

    if (!support::DirectoryExists(directory)) {
        if (!dialogs.askYesNo("The directory \"" + directory +
                              "\" does not exist.  Do you want it created?")) {
            // Nothing was written that was asked for: a script must not take it for success.
            result_.failed = true;
            return;
        }
        std::error_code error;
        if (!fs::create_directory(directory, error))
            return fail("Error: Cannot create " + directory);
    }
    platform::reclaimStagingLeftovers(directory);
    // The shortest name the run can give (a one-digit slide number) must fit, or no image could
    // be written: said before an office starts.
    const std::string shortest = ImageFileName(request, 1, 1, formatWord);
    if (nameTooLong(shortest))
        return fail("Error: Cannot write " + shortest + ": " + std::strerror(ENAMETOOLONG));
    dialogs.notice("Powerpoint will save your presentation as *." + formatWord +
                   " files.\n\rPlease wait for it to finish converting your presentation.");

    // A range is shown on a screen, which may first have to be started: before the office, and
    // ended after it.
    std::unique_ptr<platform::RunPlatform> run;
    try {
        run = services_.runs.open(!request.allSlides, request.offices);
    } catch (const std::exception& error) {
        return fail(std::string("Error: No screen for the slide show: ") + error.what());
    }
    std::unique_ptr<platform::PresentationApp> app;
    std::string reason;
    try {
        app = run->office().create(platform::PresentationProgId);
    } catch (const std::exception& error) {
        reason = error.what();
    }
    if (!app) {
        dialogs.message("Error: Unable to open PowerPoint");
        // The reason, in a message of its own.
        if (!reason.empty())
            dialogs.message("Error: " + reason);
        result_.failed = true;
        return;
    }

    observer_.showBusy();
    try {
        app->setVisible(true);
        observer_.minimizeApplication();
        observer_.restoreApplication();
        showProgress("Loading " + request.fileName + "...");
        // The office answered its first call only once it was ready to open a file: no pause
        // before opening is needed.
        app->openPresentation(request.fileName, false, false, true);
        app->setAdvanceMode(1);
        app->runSlideShow();
        observer_.minimizeApplication();
        const int slideCount = app->slideCount();
        const int numberWidth = NumberWidth(slideCount);
        if (request.allSlides) {
            convertAllSlides(request, app, formatWord, slideCount, numberWidth);
        } else {
            captureRange(request, *run, app, formatWord, slideCount);
        }
    } catch (...) {
        quitQuietly(app);
        observer_.restoreApplication();
        // What was named until then is listed after the error too, so it is checked as well; a
        // failing check must not hide the error that ended the run.
        try {
            reportReplacedImages();
        } catch (const std::exception&) {
        }
        throw;
    }
    // Quit returned once the office's process had ended: the application is gone, and the
    // window comes back at once.
    observer_.restoreApplication();
    reportReplacedImages();
}

void Conversion::reportReplacedImages() {
    const std::vector<std::string> replaced = namedImages_.checkAndRelease();
    if (replaced.empty())
        return;
    const std::set<std::string> gone(replaced.begin(), replaced.end());
    std::vector<std::string> files;
    std::vector<bool> unshown;
    for (std::size_t i = 0; i < result_.OutputFiles.size(); ++i) {
        if (gone.count(result_.OutputFiles[i]) != 0)
            continue;
        files.push_back(result_.OutputFiles[i]);
        if (i < result_.unshown.size())
            unshown.push_back(result_.unshown[i]);
    }
    result_.OutputFiles = std::move(files);
    result_.unshown = std::move(unshown);
    fail("Error: Another program replaced these images before this run ended: " +
         support::CommaList(replaced));
}

void Conversion::convertAllSlides(const ConversionRequest& request,
                                  std::unique_ptr<platform::PresentationApp>& app,
                                  const std::string& formatWord, int slideCount, int numberWidth) {
    const ExportFormat format = ExportFormatFor(formatWord);
    const std::string& directory = request.outputDir;
    const std::string missing = slidesBeyond(request.exportSlides, slideCount);
    if (!missing.empty()) {
        QuitAndDrop(app);
        return fail("Error: The presentation has " + std::to_string(slideCount) +
                    (slideCount == 1 ? " slide: " : " slides: ") + missing);
    }
    const std::vector<int> slides = slidesToExport(request.exportSlides, slideCount);
    // Every image name has the same length: a name the file system refuses shows at the first
    // slide, before anything is exported.
    if (!slides.empty()) {
        const std::string first =
            ImageFileName(request, slides.front(), numberWidth, format.extension);
        if (nameTooLong(first)) {
            QuitAndDrop(app);
            return fail("Error: Cannot write " + first + ": " + std::strerror(ENAMETOOLONG));
        }
    }
    std::unique_ptr<StagingFolder> staging;
    try {
        staging = std::make_unique<StagingFolder>(directory);
    } catch (const std::system_error& error) {
        QuitAndDrop(app);
        return fail("Error: Cannot write into " + directory + ": " + error.code().message());
    }
    int formatNumber = format.number;
    if (request.imageWidth > 0 || request.imageHeight > 0)
        app->setExportSize(request.imageWidth, request.imageHeight);
    if (!request.exportSlides.empty())
        app->setExportSlides(slides);
    app->setExportProgress(
        [this](int done, int count) { showProgress(ExportProgress(done, count)); });
    app->saveAs(staging->path(), formatNumber, true);
    QuitAndDrop(app);

    std::set<std::string> written;
    std::vector<std::string> keptAside;
    std::string takenTarget;
    if (!slides.empty())
        namedImages_.beforeNaming(directory);
    for (const int slide : slides) {
        const std::string stem = "Slide" + std::to_string(slide);
        const std::string exported = staging->path() + "/" + stem + "." + format.extension;
        const std::string target = ImageFileName(request, slide, numberWidth, format.extension);
        // An image of this run, or the presentation itself, is never replaced.
        const bool taken = written.count(target) != 0 || isSameFile(target, request.fileName);
        // rename() replaces a stale target, so an older run's image is never listed as ours.
        if (!taken && std::rename(exported.c_str(), target.c_str()) == 0) {
            written.insert(target);
            namedImages_.named(target);
            result_.OutputFiles.push_back(target);
            continue;
        }
        const std::string reason = taken ? "" : std::strerror(errno);
        // The slide is not lost: it stays under its exported name beside the images.
        const std::string kept =
            MoveBesideWithoutReplacing(exported, directory, stem, format.extension);
        result_.failed = true;
        if (!kept.empty()) {
            namedImages_.named(kept);
            result_.OutputFiles.push_back(kept);
        }
        if (taken) {
            takenTarget = target;
            keptAside.push_back(kept.empty() ? "(lost)" : fs::path(kept).filename().string());
        } else {
            services_.dialogs.message("Error: Cannot rename slide " + std::to_string(slide) +
                                      " to " + target + ": " + reason +
                                      (kept.empty() ? "" : "; it is kept as " + kept));
        }
    }
    if (!keptAside.empty()) {
        services_.dialogs.message("Error: " + takenTarget +
                                  " would have held more than one slide: the others are kept "
                                  "in " +
                                  directory + " as " + support::CommaList(keptAside));
    }
}

}  // namespace app
