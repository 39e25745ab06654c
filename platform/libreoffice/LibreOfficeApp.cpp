#include "platform/libreoffice/LibreOfficeApp.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/libreoffice/SlideLook.h"

namespace platform::office {

namespace {

// The session, launched: the main office starts before its helpers.
std::unique_ptr<OfficeSession> launched(std::unique_ptr<OfficeSession> session) {
    if (!session->launched())
        session->launch();
    return session;
}

// The sessions after the first.
std::vector<std::unique_ptr<OfficeSession>> helpersOf(
    std::vector<std::unique_ptr<OfficeSession>>& sessions) {
    std::vector<std::unique_ptr<OfficeSession>> helpers;
    for (std::size_t i = 1; i < sessions.size(); ++i) helpers.push_back(std::move(sessions[i]));
    return helpers;
}

}  // namespace

std::vector<std::unique_ptr<OfficeSession>> exportSessions(const std::string& program,
                                                           OfficeBounds bounds, int offices) {
    std::vector<std::unique_ptr<OfficeSession>> sessions;
    for (int i = 0; i < std::max(offices, 1); ++i) {
        sessions.push_back(std::make_unique<OfficeSession>(program, bounds, true));
        if (i > 0)
            sessions.back()->yieldToOthers();
    }
    return sessions;
}

LibreOfficeApp::LibreOfficeApp(const std::string& program, OfficeBounds bounds, bool headless,
                               const std::string& showDisplay)
    : showDisplay_(showDisplay),
      exportOnly_(false),
      session_(std::make_unique<OfficeSession>(program, bounds, headless, showDisplay)),
      exporter_(*session_, {}),
      show_(
          *session_, [this] { return watchShowWindow(); },
          // The show needs no export help, and the machine to itself.
          [this] { exporter_.dropHelpers(); }) {
    start();
}

LibreOfficeApp::LibreOfficeApp(std::vector<std::unique_ptr<OfficeSession>> sessions)
    : exportOnly_(true),
      session_(launched(std::move(sessions.front()))),
      exporter_(*session_, helpersOf(sessions)),
      show_(
          *session_, [] { return watchShowScreen("", 0); }, [] {}) {
    start();
}

void LibreOfficeApp::start() {
    // A stopped office leaves no helper behind.
    session_->whenStopped([this] { exporter_.stopHelpers(); });
    if (!session_->launched())
        session_->launch();
    session_->connect();
}

LibreOfficeApp::~LibreOfficeApp() {
    try {
        quit();
    } catch (...) {
        // Nothing may escape a destructor; OfficeProcess kills what is left.
    }
}

void LibreOfficeApp::setVisible(bool visible) {
    session_->requireRunning("Visible");
    visible_ = visible;
}

void LibreOfficeApp::openPresentation(const std::string& path, bool, bool, bool) {
    // The deck goes into the main office's profile once; the helpers take it from there. A deck
    // that cannot be put there is the main office's to report.
    std::string staged;
    try {
        staged = session_->stageDeck(path);
    } catch (const AutomationError&) {
    }
    exporter_.open(staged.empty() ? path : staged);
    session_->open(path);
    show_.forget();
}

bool LibreOfficeApp::slideIsBlack(int slideNumber) {
    session_->requireDocument("Slides.Item");
    return slideDrawsBlack(*session_, slideNumber);
}

void LibreOfficeApp::quit() {
    exporter_.dropHelpers();
    // An office that only exported into files that are complete or gone has nothing to save or
    // close: it ends at once.
    if (exportOnly_)
        session_->endAtOnce();
    else
        session_->quit();
}

std::unique_ptr<ShowScreenWait> LibreOfficeApp::watchShowWindow() {
    const char* ours = std::getenv("DISPLAY");
    const std::string display = !showDisplay_.empty() ? showDisplay_ : ours ? ours : "";
    return watchShowScreen(display, session_->pid());
}

}  // namespace platform::office
