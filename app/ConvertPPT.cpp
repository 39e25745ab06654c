// The Convert command and the slide export engine behind it.
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QLineEdit>
#include <QRadioButton>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "app/OutputNames.h"
#include "app/Progress.h"
#include "app/StagingFolder.h"
#include "keys/KeyEngine.h"
#include "platform/Automation.h"
#include "platform/Clipboard.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/RunPlatform.h"
#include "platform/images/ImageFiles.h"
#include "support/FileCompare.h"
#include "support/FindDirectory.h"
#include "support/LocalText.h"
#include "support/OpenWithDesktop.h"
#include "support/TextUtil.h"

namespace app {

using support::local;

namespace {

namespace fs = std::filesystem;

constexpr int LoadingPauseMs = 1000;
constexpr int ClosingPauseMs = 2000;
// Repeated captures of one slide that still equals the slide before: waits of 1 s to 5 s, then
// the capture is kept, so that a run nobody watches always ends.
constexpr int MaxCaptureRepeats = 5;

bool isFile(const std::string& name) {
    std::error_code error;
    return fs::is_regular_file(name, error);
}

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

void resetCursor() {
    while (QApplication::overrideCursor() != nullptr) QApplication::restoreOverrideCursor();
}

// Without a directory part, the presentation lies in the current directory.
std::string presentationDirectory(const std::string& fileName) {
    const std::string directory = DirectoryPart(fileName);
    if (directory.empty())
        return "./";
    return directory.back() == '/' ? directory : directory + "/";
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

// Quit ends the application; the object is dropped even when Quit fails, which ends the office
// too, so a failing Quit is never asked again.
void quitAndDrop(std::unique_ptr<platform::PresentationApp>& app) {
    const std::unique_ptr<platform::PresentationApp> quitting = std::move(app);
    quitting->quit();
}

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

// "Slide 7" or "Slides 7, 8, 9".
std::string slideList(const std::vector<int>& slides) {
    std::string text = slides.size() == 1 ? "Slide " : "Slides ";
    for (std::size_t i = 0; i < slides.size(); ++i)
        text += (i == 0 ? "" : ", ") + std::to_string(slides[i]);
    return text;
}

}  // namespace

void TForm1::ConvertClick() {
    if (convert_) {
        convert_(*this);
        return;
    }
    const std::string fileName = local(FileName->text());
    if (!isFile(fileName)) {
        services_.dialogs.message("Error: \"" + fileName + "\" does not exist.");
        runFailed = true;
        return;
    }
    if (Tslide->currentIndex() < Fslide->currentIndex()) {
        services_.dialogs.message(
            "Error: First slide(" + std::to_string(Fslide->currentIndex() + 1) +
            ") is greater than last slide(" + std::to_string(Tslide->currentIndex() + 1) + ").");
        runFailed = true;
        return;
    }
    if (Trim(local(OutputDir->text())).empty())
        OutputDir->setText(local(presentationDirectory(fileName)));

    const QString caption = windowTitle();
    OutputFiles.clear();
    unshownEntries_.clear();
    try {
        ConvertPPT();
        services_.dialogs.progress("");
    } catch (...) {
        // The rest of the command is skipped, but the window must not stay busy or keep the
        // loading caption after the error is shown.
        services_.dialogs.progress("");
        setWindowTitle(caption);
        resetCursor();
        throw;
    }

    setWindowTitle(QStringLiteral("Checking for duplicate files ..."));
    repaint();
    bool duplicates = false;
    for (std::size_t i = 1; i < OutputFiles.size(); ++i) {
        // A slide that could not be shown was reported by the range already.
        const bool unshown = i < unshownEntries_.size() && unshownEntries_[i];
        if (!unshown && support::SameFileContents(OutputFiles[i - 1], OutputFiles[i])) {
            services_.dialogs.message(OutputFiles[i - 1] + " is the same as " + OutputFiles[i]);
            duplicates = true;
        }
    }
    if (duplicates) {
        services_.dialogs.message(
            "It appears that not all the slides have been converted.\n\rYou should increase the "
            "pause between slides.");
    }
    setWindowTitle(caption);
    resetCursor();

    if (BatchMode)
        return;
    const bool show = services_.dialogs.askYesNo(std::to_string(OutputFiles.size()) +
                                                 " output file(s) have been created. Do you "
                                                 "want to see them?");
    // With no image there is nothing to open.
    if (show && !OutputFiles.empty() && !OutputFiles.front().empty())
        support::ExecuteFile(services_.shell, OutputFiles.front(), local(OutputDir->text()), "", 1);
}

void TForm1::ConvertPPT() {
    const std::string typedWord = FormatOverride.empty()
                                      ? support::RightJustify(local(ConvertTo->currentText()), 3)
                                      : FormatOverride;
    const std::optional<ExportFormat> format = FindExportFormat(typedWord);
    if (!format) {
        services_.dialogs.message(UnknownFormatMessage(typedWord));
        runFailed = true;
        return;
    }
    // From here on the word is the format's own, in lower case: the message, the export and
    // the file names all say what the files hold.
    const std::string& formatWord = format->extension;
    const std::string directory = local(OutputDir->text());

    if (!support::DirectoryExists(directory)) {
        if (!services_.dialogs.askYesNo("The directory \"" + directory +
                                        "\" does not exist.  Do you want it created?"))
            return;
        if (::mkdir(directory.c_str(), 0777) != 0) {
            services_.dialogs.message("Error: Cannot create " + directory);
            runFailed = true;
            return;
        }
    }
    services_.dialogs.notice("Powerpoint will save your presentation as *." + formatWord +
                             " files.\n\rPlease wait for it to finish converting your "
                             "presentation.");

    // A range is shown on a screen, which may first have to be started: before the office, and
    // ended after it.
    std::unique_ptr<platform::RunPlatform> run;
    try {
        run = services_.runs.open(!allslides->isChecked());
    } catch (const std::exception& error) {
        services_.dialogs.message(std::string("Error: No screen for the slide show: ") +
                                  error.what());
        runFailed = true;
        return;
    }
    std::unique_ptr<platform::PresentationApp> app;
    std::string reason;
    try {
        app = run->office().create(platform::PresentationProgId);
    } catch (const std::exception& error) {
        reason = error.what();
    }
    if (!app) {
        services_.dialogs.message("Error: Unable to open PowerPoint");
        // The reason, in a message of its own.
        if (!reason.empty())
            services_.dialogs.message("Error: " + reason);
        runFailed = true;
        return;
    }

    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        app->setVisible(true);
        minimizeApplication();
        restoreApplication();
        showProgress("Loading " + local(FileName->text()) + "...");
        services_.clock.sleep(LoadingPauseMs);
        app->openPresentation(local(FileName->text()), false, false, true);
        app->setAdvanceMode(1);
        app->runSlideShow();
        minimizeApplication();
        const int slideCount = app->slideCount();
        const int numberWidth = NumberWidth(slideCount);
        if (allslides->isChecked()) {
            convertAllSlides(app, formatWord, directory, slideCount, numberWidth);
        } else {
            captureRange(*run, app, formatWord, directory, numberWidth);
        }
    } catch (...) {
        quitQuietly(app);
        restoreApplication();
        throw;
    }
    services_.clock.sleep(ClosingPauseMs);
    restoreApplication();
}

void TForm1::convertAllSlides(std::unique_ptr<platform::PresentationApp>& app,
                              const std::string& formatWord, const std::string& directory,
                              int slideCount, int numberWidth) {
    const ExportFormat format = ExportFormatFor(formatWord);
    // Every image name has the same length: a name the file system refuses shows at slide 1,
    // before anything is exported.
    if (slideCount > 0) {
        const std::string first = outputFileName(directory, 1, numberWidth, format.extension);
        if (nameTooLong(first)) {
            quitAndDrop(app);
            services_.dialogs.message("Error: Cannot write " + first + ": " +
                                      std::strerror(ENAMETOOLONG));
            runFailed = true;
            return;
        }
    }
    std::unique_ptr<StagingFolder> staging;
    try {
        staging = std::make_unique<StagingFolder>(directory);
    } catch (const std::system_error& error) {
        quitAndDrop(app);
        services_.dialogs.message("Error: Cannot write into " + directory + ": " +
                                  error.code().message());
        runFailed = true;
        return;
    }
    int formatNumber = format.number;
    app->setExportProgress(
        [this](int done, int count) { showProgress(ExportProgress(done, count)); });
    app->saveAs(staging->path(), formatNumber, true);
    quitAndDrop(app);

    std::set<std::string> written;
    std::vector<std::string> keptAside;
    std::string takenTarget;
    for (int slide = 1; slide <= slideCount; ++slide) {
        const std::string stem = "Slide" + std::to_string(slide);
        const std::string exported = staging->path() + "/" + stem + "." + format.extension;
        const std::string target = outputFileName(directory, slide, numberWidth, format.extension);
        // An image of this run, or the presentation itself, is never replaced.
        const bool taken =
            written.count(target) != 0 || isSameFile(target, local(FileName->text()));
        // rename() replaces a stale target, so an older run's image is never listed as ours.
        if (!taken && std::rename(exported.c_str(), target.c_str()) == 0) {
            written.insert(target);
            OutputFiles.push_back(target);
            continue;
        }
        const std::string reason = taken ? "" : std::strerror(errno);
        // The slide is not lost: it stays under its exported name beside the images.
        const std::string kept =
            MoveBesideWithoutReplacing(exported, directory, stem, format.extension);
        runFailed = true;
        if (!kept.empty())
            OutputFiles.push_back(kept);
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

std::string TForm1::outputFileName(const std::string& directory, int slide, int numberWidth,
                                   const std::string& extension) const {
    return OutputFileName(directory, local(OfileName->text()), slide, numberWidth, extension,
                          deckNameInPattern_);
}

void TForm1::captureRange(platform::RunPlatform& run,
                          std::unique_ptr<platform::PresentationApp>& app,
                          const std::string& formatWord, const std::string& directory,
                          int numberWidth) {
    const int first = Fslide->currentIndex() < 0 ? 1 : Fslide->currentIndex() + 1;
    const int last = Tslide->currentIndex() < 0 ? 1 : Tslide->currentIndex() + 1;
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
            keyEngine.SendKeys(CaptureKeys, true);
            const std::optional<platform::RgbImage> capture = run.clipboard().bitmap();
            if (!capture)
                throw std::runtime_error("Unsupported clipboard format");
            current = outputFileName(directory, slide, numberWidth, formatWord);
            writeCapture(*capture, formatWord, current);
            captured = true;
            if (slide == first || attempts == MaxCaptureRepeats ||
                !support::SameFileContents(current, previous))
                break;
        }
        previous = current;
        OutputFiles.push_back(current);
        unshownEntries_.push_back(!notShown.empty() && notShown.back() == slide);
    }
    quitAndDrop(app);

    // Not one slide could be shown: the run produced nothing, and that must not look like
    // success.
    if (!captured && first <= last) {
        services_.dialogs.message("Error: No slide could be captured: " + moveFailure);
        runFailed = true;
    } else if (!notShown.empty()) {
        services_.dialogs.message(slideList(notShown) + " could not be shown (" + notShownReason +
                                  "); each repeats the slide before it.");
    }
}

void TForm1::showProgress(const std::string& text) {
    setWindowTitle(local(text));
    repaint();
    services_.dialogs.progress(text);
}

void TForm1::minimizeApplication() {
    if (isVisible())
        showMinimized();
}

void TForm1::restoreApplication() {
    if (isVisible())
        showNormal();
}

void TForm1::showUnhandledError(const std::exception& error) {
    resetCursor();
    services_.dialogs.message(error.what());
    runFailed = true;
}

}  // namespace app
