#include "app/ConsoleFrontEnd.h"

#include <exception>

#include "app/CommandLine.h"
#include "app/Conversion.h"
#include "platform/Dialogs.h"
#include "support/Files.h"

namespace app {

namespace {

// What the window's controls would hold after the command line was copied into them.
ConversionRequest requestFrom(const CommandLineRequest& read) {
    ConversionRequest request;
    request.fileName = read.fileName.value_or("");
    // As the file name box fills the pattern box.
    request.deckNameInPattern = support::BaseFileName(request.fileName);
    request.pattern = request.deckNameInPattern + "_#";
    request.allSlides = !read.someSlides;
    request.firstPosition = read.firstPosition.value_or(-1);
    request.lastPosition = read.lastPosition.value_or(-1);
    request.firstSlide = read.firstSlide;
    request.lastSlide = read.lastSlide;
    request.outputDir = read.outputDir.value_or("");
    request.formatOverride = read.formatOverride;
    request.batchMode = true;
    return request;
}

}  // namespace

int RunWithoutWindow(ProgramServices services, const Options& options) {
    // An error that escapes is shown as the window's general error display would show it.
    const auto reportEscaped = [&services](const std::exception& error) {
        services.dialogs.message(error.what());
        return 1;
    };
    CommandLineRequest read;
    try {
        ReadCommandLine(options, services.dialogs, read);
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
    ConversionRequest request = requestFrom(read);
    NoWindow noWindow;
    Conversion conversion(services, noWindow);
    try {
        conversion.run(request);
    } catch (const std::exception& error) {
        return reportEscaped(error);
    }
    return conversion.result().failed ? 1 : 0;
}

}  // namespace app
