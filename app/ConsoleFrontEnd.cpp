#include "app/ConsoleFrontEnd.h"

#include <exception>

#include "app/CommandLine.h"
#include "app/Conversion.h"
#include "platform/Dialogs.h"
#include "support/Files.h"

namespace app {

namespace {

// What the window's controls would hold after the command line was copied into them.
ConversionRequest requestFrom(const CommandLineRequest& read, const Options& options) {
    ConversionRequest request;
    request.fileName = read.fileName.value_or("");
    // As the file name box fills the pattern box.
    request.deckNameInPattern = support::BaseFileName(request.fileName);
    request.pattern = request.deckNameInPattern + "_#";
    if (options.name) {
        // Typed into the field: every "#" in it is the number, the deck's name or not.
        request.pattern = *options.name;
        request.deckNameInPattern.clear();
    }
    request.allSlides = !read.someSlides;
    request.firstPosition = read.firstPosition.value_or(-1);
    request.lastPosition = read.lastPosition.value_or(-1);
    request.firstSlide = read.firstSlide;
    request.lastSlide = read.lastSlide;
    request.outputDir = read.outputDir.value_or("");
    request.formatOverride = read.formatOverride;
    request.batchMode = true;
    ApplyRunOptions(options, request);
    return request;
}

}  // namespace

int RunWithoutWindow(ProgramServices services, const Options& options, std::FILE* listing) {
    // An error that escapes is shown as the window's general error display would show it.
    const auto reportEscaped = [&services](const std::exception& error) {
        services.dialogs.message(GeneralErrorText(error));
        return 1;
    };
    CommandLineRequest read;
    try {
        ShowCommandLine(options, services.dialogs, read);
    } catch (const std::exception& error) {
        return reportEscaped(error);
    }
    switch (read.action) {
        case CommandLineRequest::Action::Usage:
            return 0;
        case CommandLineRequest::Action::Convert:
            break;
        default:
            // Nothing to convert, or a flag was refused: nobody is there to use a window.
            return 1;
    }
    ConversionRequest request = requestFrom(read, options);
    NoWindow noWindow;
    Conversion conversion(services, noWindow);
    int code = 0;
    try {
        conversion.run(request);
        code = conversion.result().failed ? 1 : 0;
    } catch (const std::exception& error) {
        code = reportEscaped(error);
    }
    // Also after a failure: what was written is there, and a script may want it.
    if (options.printFiles && !PrintFiles(WrittenFiles(conversion.result()), listing,
                                          options.nullTerminated ? '\0' : '\n'))
        return 1;
    return code;
}

}  // namespace app
