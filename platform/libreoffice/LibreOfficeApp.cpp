#include "platform/libreoffice/LibreOfficeApp.h"

#include <cstdlib>
#include <vector>

namespace platform::office {

namespace {

// The sessions of the helper offices of an export, not yet launched; headless: they only export.
std::vector<std::unique_ptr<OfficeSession>> helperSessions(const std::string& program,
                                                           OfficeBounds bounds, int count) {
    std::vector<std::unique_ptr<OfficeSession>> helpers;
    for (int i = 0; i < count; ++i)
        helpers.push_back(std::make_unique<OfficeSession>(program, bounds, true));
    return helpers;
}

}  // namespace

LibreOfficeApp::LibreOfficeApp(const std::string& program, OfficeBounds bounds, bool headless,
                               const std::string& showDisplay)
    : showDisplay_(showDisplay),
      exportOnly_(false),
      session_(program, bounds, headless, showDisplay),
      exporter_(session_, {}),
      show_(
          session_, [this] { return watchShowWindow(); },
          // The show needs no export help, and the machine to itself.
          [this] { exporter_.dropHelpers(); }) {
    start();
}

LibreOfficeApp::LibreOfficeApp(const std::string& program, OfficeBounds bounds, int offices)
    : exportOnly_(true),
      session_(program, bounds, true),
      exporter_(session_, helperSessions(program, bounds, offices - 1)),
      show_(
          session_, [] { return watchShowScreen("", 0); }, [] {}) {
    start();
}

void LibreOfficeApp::start() {
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
    exporter_.open(path);
    session_.open(path);
    show_.forget();
}

void LibreOfficeApp::quit() {
    exporter_.dropHelpers();
    // An office that only exported into files that are complete or gone has nothing to save or
    // close: it ends at once.
    if (exportOnly_)
        session_.endAtOnce();
    else
        session_.quit();
}

std::unique_ptr<ShowScreenWait> LibreOfficeApp::watchShowWindow() {
    const char* ours = std::getenv("DISPLAY");
    const std::string display = !showDisplay_.empty() ? showDisplay_ : ours ? ours : "";
    return watchShowScreen(display, session_.pid());
}

}  // namespace platform::office
