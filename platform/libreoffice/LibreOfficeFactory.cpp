// The factory of the LibreOffice backend, and the office bound the environment sets.
#include "platform/libreoffice/LibreOfficeFactory.h"

#include <sched.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>

#include "platform/libreoffice/ExportOffices.h"
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

// The cores this process may run on (taskset and cgroups' cpusets narrow them).
int usableCores() {
    cpu_set_t cores;
    CPU_ZERO(&cores);
    if (::sched_getaffinity(0, sizeof cores, &cores) != 0)
        return 1;
    return CPU_COUNT(&cores);
}

// MemAvailable of /proc/meminfo, in kB; nothing when it cannot be read.
std::optional<long> availableMemoryKb() {
    std::ifstream in("/proc/meminfo");
    for (std::string name; in >> name;) {
        long kb = 0;
        in >> kb;
        if (name == "MemAvailable:")
            return kb;
        in.ignore(256, '\n');
    }
    return std::nullopt;
}

}  // namespace

int defaultExportOffices() {
    // An office exporting a deck takes about 200 MB; leave as much again to the rest.
    constexpr long OfficeKb = 400 * 1024;
    constexpr int Most = 8;
    int offices = std::min(usableCores(), Most);
    if (const std::optional<long> free = availableMemoryKb())
        offices = std::min<long>(offices, *free / OfficeKb);
    return std::max(offices, 1);
}

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

LibreOfficeFactory::LibreOfficeFactory(std::string officeProgram, OfficeBounds bounds)
    : program_(std::move(officeProgram)), bounds_(bounds) {}

LibreOfficeFactory::~LibreOfficeFactory() = default;

void LibreOfficeFactory::exportOnly(int offices) {
    exportOnly(offices, nullptr);
}

void LibreOfficeFactory::exportOnly(int offices, std::unique_ptr<ExportOffices> started) {
    exportOffices_ = offices < 1 ? 1 : offices;
    started_ = std::move(started);
}

std::unique_ptr<PresentationApp> LibreOfficeFactory::create(const std::string& programmaticId) {
    if (strcasecmp(programmaticId.c_str(), PresentationProgId) != 0)
        throw AutomationError("No automation server is registered as \"" + programmaticId + "\"");
    if (::access(program_.c_str(), X_OK) != 0)
        throw AutomationError("LibreOffice is not installed (" + program_ + " is missing)");
    if (exportOffices_ > 0) {
        std::vector<std::unique_ptr<office::OfficeSession>> sessions;
        if (started_ && started_->count() == exportOffices_)
            sessions = started_->take();  // their start reclaimed what earlier runs left
        started_.reset();
        if (sessions.empty()) {
            office::OfficeProcess::reclaimLeftovers();
            sessions = office::exportSessions(program_, bounds_, exportOffices_);
        }
        return std::make_unique<office::LibreOfficeApp>(std::move(sessions));
    }
    office::OfficeProcess::reclaimLeftovers();
    // A screen opened for the show is a display, also in a run without one of its own.
    const std::string show = showDisplay_ ? showDisplay_() : std::string();
    return std::make_unique<office::LibreOfficeApp>(program_, bounds_,
                                                    show.empty() && !haveDisplay(), show);
}

}  // namespace platform
