// The factory of the LibreOffice backend, and the office bound the environment sets.
#include "platform/libreoffice/LibreOfficeFactory.h"

#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>

#include "platform/libreoffice/LibreOfficeApp.h"
#include "platform/libreoffice/OfficeProcess.h"

namespace platform {

namespace {

bool haveDisplay() {
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (wayland && *wayland);
}

// A decimal number: digits with at most one point among them ("60", "0.5", ".5", "2."); no sign,
// blank, exponent, hexadecimal, infinity or NaN. Read the same way in every locale.
std::optional<double> decimalNumber(const std::string& text) {
    const auto digits =
        std::count_if(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    const auto points = std::count(text.begin(), text.end(), '.');
    if (digits == 0 || points > 1 || digits + points != static_cast<long>(text.size()))
        return std::nullopt;
    double value = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

}  // namespace

double officeTimeoutFromEnvironment() {
    const char* text = std::getenv("DECKSHOT_OFFICE_TIMEOUT");
    if (text == nullptr)
        return OfficeBounds{}.call;
    constexpr double Shortest = 0.01, Longest = 24 * 3600;
    const std::optional<double> seconds = decimalNumber(text);
    if (!seconds || *seconds < Shortest || *seconds > Longest)
        throw std::invalid_argument(
            "DECKSHOT_OFFICE_TIMEOUT must be a number of seconds from 0.01 to 86400, not \"" +
            std::string(text) + "\"");
    return *seconds;
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
