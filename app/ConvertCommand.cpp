// The Convert command: the checks before a conversion and the report after it.

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>

#include "app/CommandLine.h"
#include "app/Conversion.h"
#include "platform/Dialogs.h"
#include "platform/libreoffice/LibreOfficeFactory.h"
#include "support/Convert.h"
#include "support/FileCompare.h"
#include "support/OpenWithDesktop.h"

namespace app {

namespace {

// Why no presentation can be read under `name`, as the end of the sentence that names it; empty
// for a regular file.
std::string whyNotAPresentation(const std::string& name) {
    if (name.empty())
        return "does not exist.";
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(name, error);
    if (std::filesystem::is_regular_file(status))
        return "";
    if (std::filesystem::is_directory(status))
        return "is a directory.";
    // A loop of symbolic links is there, yet names no file.
    if (std::filesystem::exists(status) || error == std::errc::too_many_symbolic_link_levels)
        return "is not a regular file.";
    return "does not exist.";
}

// Without a directory part, the presentation lies in the current directory.
std::string presentationDirectory(const std::string& fileName) {
    const std::string directory = DirectoryPart(fileName);
    if (directory.empty())
        return "./";
    return directory.back() == '/' ? directory : directory + "/";
}

}  // namespace

std::string GeneralErrorText(const std::exception& error) {
    const std::string text = error.what();
    const bool keepsItsText = dynamic_cast<const support::ConvertError*>(&error) != nullptr ||
                              text == "Unsupported clipboard format" ||
                              text.rfind("Error: ", 0) == 0;
    return keepsItsText ? text : "Error: " + text;
}

void Conversion::run(ConversionRequest& request) {
    platform::Dialogs& dialogs = services_.dialogs;
    if (const std::string why = whyNotAPresentation(request.fileName); !why.empty())
        return fail("Error: \"" + request.fileName + "\" " + why);
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

void ApplyRunOptions(const Options& options, ConversionRequest& request) {
    // Without a list the platform knows best how many offices pay.
    request.offices =
        options.exportSlides.empty() ? options.jobs.value_or(0) : OfficesForExport(options);
    request.imageWidth = options.width.value_or(0);
    request.imageHeight = options.height.value_or(0);
    request.exportSlides = options.exportSlides;
}

int OfficesForExport(const Options& options) {
    const long offices = options.jobs.value_or(platform::defaultExportOffices());
    const long listed = SlideCountOf(options.exportSlides);
    return static_cast<int>(listed > 0 ? std::min(offices, listed) : offices);
}

std::vector<std::string> WrittenFiles(const ConversionResult& result) {
    std::vector<std::string> written;
    std::set<std::string> listed;
    for (std::size_t i = 0; i < result.OutputFiles.size(); ++i) {
        const std::string& file = result.OutputFiles[i];
        const bool unshown = i < result.unshown.size() && result.unshown[i];
        if (!file.empty() && !unshown && listed.insert(file).second)
            written.push_back(file);
    }
    return written;
}

bool PrintFiles(const std::vector<std::string>& files, std::FILE* out, char end) {
    bool printed = true;
    for (const std::string& file : files)
        printed = std::fputs(file.c_str(), out) >= 0 && std::fputc(end, out) != EOF && printed;
    return std::fflush(out) == 0 && printed;
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
