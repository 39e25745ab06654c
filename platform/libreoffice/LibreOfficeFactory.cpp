// The factory of the LibreOffice backend, and the office bound the environment sets.
#include "platform/libreoffice/LibreOfficeFactory.h"

#include <strings.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "platform/libreoffice/LibreOfficeApp.h"
#include "platform/libreoffice/OfficeProcess.h"

namespace platform {

namespace {

bool haveDisplay() {
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (wayland && *wayland);
}

}  // namespace

double officeTimeoutFromEnvironment() {
    const char* text = std::getenv("DECKSHOT_OFFICE_TIMEOUT");
    if (text == nullptr)
        return OfficeBounds{}.call;
    constexpr double Shortest = 0.01, Longest = 24 * 3600;
    char* end = nullptr;
    errno = 0;
    const double seconds = *text ? std::strtod(text, &end) : 0;
    if (!*text || *end != '\0' || errno != 0 || !std::isfinite(seconds) || seconds < Shortest ||
        seconds > Longest)
        throw std::invalid_argument(
            "DECKSHOT_OFFICE_TIMEOUT must be a number of seconds from 0.01 to 86400, not \"" +
            std::string(text) + "\"");
    return seconds;
}

std::unique_ptr<PresentationApp> LibreOfficeFactory::create(const std::string& programmaticId) {
    if (strcasecmp(programmaticId.c_str(), PresentationProgId) != 0)
        throw AutomationError("No automation server is registered as \"" + programmaticId + "\"");
    if (::access(program_.c_str(), X_OK) != 0)
        throw AutomationError("LibreOffice is not installed (" + program_ + " is missing)");
    office::OfficeProcess::reclaimLeftovers();
    // A screen opened for the show is a display, also in a run without one of its own.
    const std::string show = showDisplay_ ? showDisplay_() : std::string();
    return std::make_unique<office::LibreOfficeApp>(program_, bounds_,
                                                    show.empty() && !haveDisplay(), show);
}

}  // namespace platform
