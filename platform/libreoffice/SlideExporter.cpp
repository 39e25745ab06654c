#include "platform/libreoffice/SlideExporter.h"

#include <algorithm>
#include <filesystem>

namespace platform::office {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

SlideExporter::SlideExporter(OfficeSession& office,
                             std::vector<std::unique_ptr<OfficeSession>> helpers)
    : office_(office) {
    for (std::unique_ptr<OfficeSession>& session : helpers)
        helpers_.push_back(std::make_unique<HelperOffice>(std::move(session)));
}

void SlideExporter::open(const std::string& path) {
    for (const std::unique_ptr<HelperOffice>& helper : helpers_) helper->open(path);
}

void SlideExporter::saveAs(const std::string& directory, int formatNumber) {
    office_.requireDocument("SaveAs");
    const SlideImage image{saveFormat(formatNumber), size_};
    std::error_code error;
    if (!fs::is_directory(directory, error))
        throw AutomationError("SaveAs: the directory " + inQuotes(directory) + " does not exist");
    const std::vector<int> slides = slidesToExport();
    SlideQueue queue(slides);
    const int count = static_cast<int>(slides.size());
    // One office draws one slide at a time: the helpers draw others on the other cores.
    std::vector<std::future<void>> helpers;
    for (const std::unique_ptr<HelperOffice>& helper : helpers_)
        helpers.push_back(helper->exportFromBack(queue, directory, image));
    // Progress is told here, on the caller's thread, also for the slides the helpers did: every
    // count once, in order.
    int reported = 0;
    const auto report = [&] {
        for (const int done = queue.done(); progress_ && reported < done;)
            progress_(++reported, count);
    };
    try {
        exportFromFront(queue, directory, image, report);
        finishHelpers(queue, helpers, report);
        exportFromFront(queue, directory, image, report);
    } catch (...) {
        queue.close();
        stopHelpers();
        for (std::future<void>& helper : helpers) helper.wait();
        throw;
    }
}

std::vector<int> SlideExporter::slidesToExport() {
    const int count = office_.slideCount();
    std::vector<int> slides = slides_;
    if (slides_.empty()) {
        for (int n = 1; n <= count; ++n) slides.push_back(n);
    }
    for (const int n : slides) {
        if (n < 1 || n > count)
            throw AutomationError("SaveAs: the presentation has no slide " + std::to_string(n));
    }
    return slides;
}

void SlideExporter::exportFromFront(SlideQueue& queue, const std::string& directory,
                                    const SlideImage& image, const std::function<void()>& report) {
    while (const std::optional<int> n = queue.takeFront()) {
        exportSlide(office_, directory, *n, image, "main");
        queue.markDone();
        report();
    }
}

void SlideExporter::finishHelpers(SlideQueue& queue, std::vector<std::future<void>>& helpers,
                                  const std::function<void()>& report) {
    const auto allStopped = [&] {
        return std::all_of(helpers.begin(), helpers.end(), [](std::future<void>& helper) {
            return helper.wait_for(0ms) == std::future_status::ready;
        });
    };
    const auto graceEnd = std::chrono::steady_clock::now() + HelperGrace;
    while (queue.inFlight() > 0 && !allStopped() && std::chrono::steady_clock::now() < graceEnd) {
        std::this_thread::sleep_for(2ms);
        report();
    }
    queue.close();
    // Those still starting, opening or drawing past the grace are stopped; a slide they held
    // goes back to the queue.
    if (!allStopped())
        stopHelpers();
    for (std::future<void>& helper : helpers) helper.wait();
    report();
}

void SlideExporter::stopHelpers() {
    for (const std::unique_ptr<HelperOffice>& helper : helpers_) helper->stop();
}

void SlideExporter::dropHelpers() {
    helpers_.clear();
}

}  // namespace platform::office
