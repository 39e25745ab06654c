#include "platform/libreoffice/LibreOfficeApp.h"

#include <cstdlib>

#include "platform/libreoffice/SlideLook.h"

namespace platform::office {

LibreOfficeApp::LibreOfficeApp(const std::string& program, OfficeBounds bounds, bool headless,
                               const std::string& showDisplay)
    : showDisplay_(showDisplay),
      session_(program, bounds, headless, showDisplay),
      exporter_(session_,
                [program, bounds] {
                    // Headless: it only ever exports.
                    return std::make_unique<OfficeSession>(program, bounds, true);
                }),
      show_(
          session_, [this] { return watchShowWindow(); },
          // The show needs no export help, and the machine to itself.
          [this] { exporter_.dropHelpers(); }) {
    // A stopped office leaves no helper behind.
    session_.whenStopped([this] { exporter_.stopHelpers(); });
    session_.start();
}

LibreOfficeApp::~LibreOfficeApp() {
    try {
        quit();
    } catch (...) {
        // Nothing may escape a destructor; OfficeProcess kills what is left.
    }
}

void LibreOfficeApp::setVisible(bool visible) {
    session_.requireRunning("Visible");
    visible_ = visible;
}

void LibreOfficeApp::openPresentation(const std::string& path, bool, bool, bool) {
    session_.open(path);
    show_.forget();
}

bool LibreOfficeApp::slideIsBlack(int slideNumber) {
    session_.requireDocument("Slides.Item");
    return slideDrawsBlack(session_, slideNumber);
}

void LibreOfficeApp::quit() {
    exporter_.dropHelpers();
    session_.quit();
}

std::unique_ptr<ShowScreenWait> LibreOfficeApp::watchShowWindow() {
    const char* ours = std::getenv("DISPLAY");
    const std::string display = !showDisplay_.empty() ? showDisplay_ : ours ? ours : "";
    return watchShowScreen(display, session_.pid());
}

}  // namespace platform::office
