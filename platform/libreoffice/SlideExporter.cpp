#include "platform/libreoffice/SlideExporter.h"

#include <filesystem>
#include <future>
#include <thread>

namespace platform::office {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

SlideExporter::SlideExporter(OfficeSession& office, HelperOffice::SessionMaker makeHelper)
    : office_(office), makeHelper_(std::move(makeHelper)) {}

void SlideExporter::saveAs(const std::string& directory, int formatNumber) {
    office_.requireDocument("SaveAs");
    const SaveFormat format = saveFormat(formatNumber);
    std::error_code error;
    if (!fs::is_directory(directory, error))
        throw AutomationError("SaveAs: the directory " + inQuotes(directory) + " does not exist");
    const int count = office_.slideCount();
    SlideQueue queue(count);
    // One office draws one slide at a time: on a big deck a second one, headless, takes slides
    // from the other end on the other core. It only ever speeds things up: whatever it fails
    // to do, this office does.
    std::future<void> helper;
    if (count >= HelperMinSlides && std::thread::hardware_concurrency() >= 2) {
        if (!helper_)
            helper_ = std::make_unique<HelperOffice>(makeHelper_);
        helper = helper_->start(queue, office_.path(), directory, format);
    }
    // Progress is told here, on the caller's thread, also for the slides the helper did.
    int reported = 0;
    const auto report = [&] {
        if (progress_ && queue.done() != reported)
            progress_(reported = queue.done(), count);
    };
    try {
        exportFromFront(queue, directory, format, report);
        if (helper.valid()) {
            const auto graceEnd = std::chrono::steady_clock::now() + HelperGrace;
            while (helper.wait_for(100ms) != std::future_status::ready &&
                   std::chrono::steady_clock::now() < graceEnd)
                report();
            if (helper.wait_for(0ms) != std::future_status::ready) {
                queue.close();
                stopHelpers();  // its slide is given back
                helper.wait();
            }
            report();
            exportFromFront(queue, directory, format, report);
        }
    } catch (...) {
        queue.close();
        stopHelpers();
        if (helper.valid())
            helper.wait();
        throw;
    }
}

void SlideExporter::exportFromFront(SlideQueue& queue, const std::string& directory,
                                    const SaveFormat& format, const std::function<void()>& report) {
    while (const std::optional<int> n = queue.takeFront()) {
        exportSlide(office_, directory, *n, format, "main");
        queue.markDone();
        report();
    }
}

void SlideExporter::stopHelpers() {
    if (helper_)
        helper_->stop();
}

void SlideExporter::dropHelpers() {
    helper_.reset();
}

}  // namespace platform::office
