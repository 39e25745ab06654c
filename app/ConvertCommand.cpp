// The Convert command: the checks before a conversion and the report after it.
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/CommandLine.h"
#include "app/Conversion.h"
#include "platform/Dialogs.h"
#include "support/FileCompare.h"
#include "support/OpenWithDesktop.h"

namespace app {

namespace {

namespace fs = std::filesystem;

bool isFile(const std::string& name) {
    std::error_code error;
    return fs::is_regular_file(name, error);
}

// Without a directory part, the presentation lies in the current directory.
std::string presentationDirectory(const std::string& fileName) {
    const std::string directory = DirectoryPart(fileName);
    if (directory.empty())
        return "./";
    return directory.back() == '/' ? directory : directory + "/";
}

}  // namespace

void Conversion::run(ConversionRequest& request) {
    platform::Dialogs& dialogs = services_.dialogs;
    if (!isFile(request.fileName))
        return fail("Error: \"" + request.fileName + "\" does not exist.");
    // Numbers asked for as such are used as they are; a box with nothing selected reads as 0.
    const int first = request.firstSlide.value_or(request.firstPosition + 1);
    const int last = request.lastSlide.value_or(request.lastPosition + 1);
    if (!request.allSlides && request.firstSlide && request.lastSlide &&
        std::min(first, last) < 1) {
        return fail("Error: Slide " + std::to_string(std::min(first, last)) +
                    " does not exist: slides are numbered from 1.");
    }
    if (last < first) {
        return fail("Error: First slide(" + std::to_string(first) +
                    ") is greater than last slide(" + std::to_string(last) + ").");
    }
    if (Trim(request.outputDir).empty())
        request.outputDir = presentationDirectory(request.fileName);

    observer_.beginRun(request);
    result_.started = true;
    result_.OutputFiles.clear();
    result_.unshown.clear();
    try {
        exportSlides(request);
        dialogs.progress("");
    } catch (...) {
        // The rest of the command is skipped, but the window must not stay busy or keep the
        // loading caption after the error is shown.
        dialogs.progress("");
        observer_.endRun();
        throw;
    }

    observer_.showCaption("Checking for duplicate files ...");
    reportDuplicates();
    observer_.endRun();

    if (request.batchMode)
        return;
    const std::vector<std::string>& files = result_.OutputFiles;
    const bool show = dialogs.askYesNo(std::to_string(files.size()) +
                                       " output file(s) have been created. Do you want to see "
                                       "them?");
    // With no image there is nothing to open.
    if (show && !files.empty() && !files.front().empty())
        support::ExecuteFile(services_.shell, files.front(), request.outputDir, "", 1);
}

void Conversion::reportDuplicates() {
    const std::vector<std::string>& files = result_.OutputFiles;
    bool duplicates = false;
    for (std::size_t i = 1; i < files.size(); ++i) {
        // A slide that could not be shown was reported by the range already.
        const bool unshown = i < result_.unshown.size() && result_.unshown[i];
        if (!unshown && support::SameFileContents(files[i - 1], files[i])) {
            services_.dialogs.message(files[i - 1] + " is the same as " + files[i]);
            duplicates = true;
        }
    }
    if (duplicates) {
        services_.dialogs.message(
            "It appears that not all the slides have been converted.\n\rYou should increase the "
            "pause between slides.");
    }
}

void Conversion::fail(const std::string& message) {
    services_.dialogs.message(message);
    result_.failed = true;
}

void Conversion::showProgress(const std::string& text) {
    observer_.showCaption(text);
    services_.dialogs.progress(text);
}

}  // namespace app
