// The slide export engine: the office opens the presentation and shows it, and either exports
// every slide (here) or the range is captured from its slide show (RangeCapture.cpp).
#include "app/Conversion.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>
#include <system_error>

#include "app/OutputNames.h"
#include "app/Progress.h"
#include "app/StagingFolder.h"
#include "platform/Automation.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/RunPlatform.h"
#include "support/Files.h"
#include "support/TextUtil.h"

namespace app {

namespace {

namespace fs = std::filesystem;

constexpr int LoadingPauseMs = 1000;
constexpr int ClosingPauseMs = 2000;

// Both name one existing file (the same inode).
bool isSameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return fs::equivalent(a, b, error) && !error;
}

// The name part is longer than the directory's file system allows.
bool nameTooLong(const std::string& path) {
    const fs::path name = fs::path(path).filename();
    const long limit = ::pathconf(fs::path(path).parent_path().c_str(), _PC_NAME_MAX);
    return limit > 0 && name.string().size() > static_cast<std::size_t>(limit);
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
                              "\" does not exist.  Do you want it created?"))
            return;
        if (::mkdir(directory.c_str(), 0777) != 0)
            return fail("Error: Cannot create " + directory);
    }
    dialogs.notice("Powerpoint will save your presentation as *." + formatWord +
                   " files.\n\rPlease wait for it to finish converting your presentation.");

    // A range is shown on a screen, which may first have to be started: before the office, and
    // ended after it.
    std::unique_ptr<platform::RunPlatform> run;
    try {
        run = services_.runs.open(!request.allSlides);
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
        services_.clock.sleep(LoadingPauseMs);
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
        throw;
    }
    services_.clock.sleep(ClosingPauseMs);
    observer_.restoreApplication();
}

void Conversion::convertAllSlides(const ConversionRequest& request,
                                  std::unique_ptr<platform::PresentationApp>& app,
                                  const std::string& formatWord, int slideCount, int numberWidth) {
    const ExportFormat format = ExportFormatFor(formatWord);
    const std::string& directory = request.outputDir;
    // Every image name has the same length: a name the file system refuses shows at slide 1,
    // before anything is exported.
    if (slideCount > 0) {
        const std::string first = ImageFileName(request, 1, numberWidth, format.extension);
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
    app->setExportProgress(
        [this](int done, int count) { showProgress(ExportProgress(done, count)); });
    app->saveAs(staging->path(), formatNumber, true);
    QuitAndDrop(app);

    std::set<std::string> written;
    std::vector<std::string> keptAside;
    std::string takenTarget;
    for (int slide = 1; slide <= slideCount; ++slide) {
        const std::string stem = "Slide" + std::to_string(slide);
        const std::string exported = staging->path() + "/" + stem + "." + format.extension;
        const std::string target = ImageFileName(request, slide, numberWidth, format.extension);
        // An image of this run, or the presentation itself, is never replaced.
        const bool taken = written.count(target) != 0 || isSameFile(target, request.fileName);
        // rename() replaces a stale target, so an older run's image is never listed as ours.
        if (!taken && std::rename(exported.c_str(), target.c_str()) == 0) {
            written.insert(target);
            result_.OutputFiles.push_back(target);
            continue;
        }
        const std::string reason = taken ? "" : std::strerror(errno);
        // The slide is not lost: it stays under its exported name beside the images.
        const std::string kept =
            MoveBesideWithoutReplacing(exported, directory, stem, format.extension);
        result_.failed = true;
        if (!kept.empty())
            result_.OutputFiles.push_back(kept);
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
        std::string names;
        for (const std::string& name : keptAside) names += (names.empty() ? "" : ", ") + name;
        services_.dialogs.message("Error: " + takenTarget +
                                  " would have held more than one slide: the others are kept "
                                  "in " +
                                  directory + " as " + names);
    }
}

}  // namespace app
