#include "tests/fakes/FakeAutomation.h"

#include <filesystem>
#include <fstream>

namespace fakes {

FakePresentationApp::FakePresentationApp(AutomationScript script,
                                         std::shared_ptr<AutomationLog> log)
    : script_(std::move(script)), log_(std::move(log)) {}

FakePresentationApp::~FakePresentationApp() {
    ++log_->released;
}

void FakePresentationApp::record(const std::string& name, const std::string& arguments) {
    log_->calls.push_back(name + "(" + arguments + ")");
    if (script_.onCall)
        script_.onCall(name);
    if (script_.failAt == name)
        throw platform::AutomationError(script_.failMessage);
}

void FakePresentationApp::setVisible(bool visible) {
    record("setVisible", visible ? "1" : "0");
}

void FakePresentationApp::openPresentation(const std::string& path, bool readOnly, bool untitled,
                                           bool withWindow) {
    record("openPresentation", path + "," + (readOnly ? "1" : "0") + "," + (untitled ? "1" : "0") +
                                   "," + (withWindow ? "1" : "0"));
}

void FakePresentationApp::setAdvanceMode(int mode) {
    record("setAdvanceMode", std::to_string(mode));
}

void FakePresentationApp::runSlideShow() {
    record("runSlideShow");
    showRunning_ = true;
}

int FakePresentationApp::slideCount() {
    record("slideCount");
    return script_.slideCount;
}

void FakePresentationApp::setExportSize(int width, int height) {
    record("setExportSize", std::to_string(width) + "," + std::to_string(height));
}

void FakePresentationApp::setExportSlides(const std::vector<int>& slides) {
    std::string list;
    for (const int slide : slides) list += (list.empty() ? "" : ",") + std::to_string(slide);
    record("setExportSlides", list);
    exportSlides_ = slides;
}

void FakePresentationApp::saveAs(const std::string& directory, int& formatNumber, bool embedFonts) {
    record("saveAs",
           directory + "," + std::to_string(formatNumber) + "," + (embedFonts ? "1" : "0"));
    const char* extension = formatNumber == platform::SaveAsJpeg  ? "jpg"
                            : formatNumber == platform::SaveAsBmp ? "bmp"
                            : formatNumber == platform::SaveAsGif ? "gif"
                            : formatNumber == platform::SaveAsPng ? "png"
                                                                  : nullptr;
    if (!extension)
        throw platform::AutomationError("SaveAs: unsupported format number " +
                                        std::to_string(formatNumber));
    std::vector<int> slides = exportSlides_;
    if (slides.empty()) {
        for (int n = 1; n <= script_.slideCount; ++n) slides.push_back(n);
    }
    for (std::size_t done = 1; done <= slides.size(); ++done) {
        const int n = slides[done - 1];
        if (n > script_.slideCount)
            throw platform::AutomationError("SaveAs: the presentation has no slide " +
                                            std::to_string(n));
        const auto path =
            std::filesystem::path(directory) / ("Slide" + std::to_string(n) + "." + extension);
        std::ofstream out(path, std::ios::binary);
        if (script_.exportedContent)
            out << script_.exportedContent(n, extension);
        else
            out << "fake " << extension << " of slide " << n << "\n";
        if (!out)
            throw platform::AutomationError("SaveAs: cannot write " + path.string());
        if (exportProgress_)
            exportProgress_(static_cast<int>(done), static_cast<int>(slides.size()));
    }
}

void FakePresentationApp::goToSlide(int slideNumber) {
    record("goToSlide", std::to_string(slideNumber));
    if (script_.applicationLostAfterMoves >= 0 && moves_ >= script_.applicationLostAfterMoves)
        throw platform::AutomationError(
            "LibreOffice ended unexpectedly while moving the slide show to slide " +
                std::to_string(slideNumber),
            true);
    if (script_.showEndsAfterMoves >= 0 && moves_ >= script_.showEndsAfterMoves)
        showRunning_ = false;
    if (!showRunning_)
        throw platform::AutomationError("GoToSlide: the slide show has ended");
    if (slideNumber < 1 || slideNumber > script_.slideCount)
        throw platform::AutomationError("GoToSlide: there is no slide " +
                                        std::to_string(slideNumber));
    ++moves_;
    if (script_.onSlideShown)
        script_.onSlideShown(slideNumber);
}

bool FakePresentationApp::slideIsBlack(int slideNumber) {
    record("slideIsBlack", std::to_string(slideNumber));
    return script_.blackSlides.count(slideNumber) != 0;
}

void FakePresentationApp::quit() {
    record("quit");
    showRunning_ = false;
}

std::unique_ptr<platform::PresentationApp> FakeAutomation::create(
    const std::string& programmaticId) {
    requestedIds.push_back(programmaticId);
    if (script.createFails || programmaticId != platform::PresentationProgId)
        throw platform::AutomationError("cannot create " + programmaticId);
    ++log->created;
    return std::make_unique<FakePresentationApp>(script, log);
}

}  // namespace fakes
