// The wait until a slide the show has moved to is drawn on the screen: the show's own window is
// watched for the frames the office draws into it.
#include "platform/libreoffice/LibreOfficeApp.h"

namespace platform::office {

using namespace std::chrono_literals;

namespace {

// A new show draws black first and its first slide up to a second later (longer on a busy
// machine); a slide that is black itself costs this wait once.
constexpr auto FirstSlideLimit = 5000ms;
// Another slide is drawn 2-26 ms after the move; a slide that looks like the one before may not
// be drawn again at all.
constexpr auto NextSlideLimit = 2000ms;
// The busy sign goes with a repaint of its corner, once the show is done with the slide.
constexpr auto BusySignLimit = 500ms;
// A show that has drawn nothing for this long has stopped drawing.
constexpr auto StillFor = 200ms;
// The document window is settled once it has been neither drawn nor moved for this long.
constexpr auto DocumentQuiet = 300ms;

}  // namespace

// Called before the show starts: the show's window is the one the office opens after now.
// Without a window to watch (no DAMAGE extension), a short pause after each move is all
// there is.
void LibreOfficeApp::watchForShowWindow() {
    const char* ours = std::getenv("DISPLAY");
    const std::string display = !showDisplay_.empty() ? showDisplay_ : ours ? ours : "";
    showWindow_.reset();
    if (display.empty())
        return;
    try {
        showWindow_ = std::make_unique<ShowWindow>(display, static_cast<long>(process_.pid()));
    } catch (const std::runtime_error&) {
    }
}

void LibreOfficeApp::waitUntilDocumentSettled() {
    if (showWindow_)
        showWindow_->waitUntilSettled(DocumentQuiet, FirstSlideLimit);
}

// The show has started: its window goes full screen and on top.
void LibreOfficeApp::waitForFirstSlide() {
    if (!showWindow_)
        return;
    if (!showWindow_->find(FirstSlideLimit)) {
        showWindow_.reset();
        return;
    }
    showWindow_->keepInFront();
}

// Before a move: the show is in front, and only what is drawn from now on counts.
void LibreOfficeApp::prepareMove() {
    if (!showWindow_)
        return;
    showWindow_->keepInFront();
    showWindow_->markDrawn();
}

// A new show draws black before its first slide, and a window it has not drawn yet shows what
// was below it: after the first move, only a frame that is not all black is the slide.
void LibreOfficeApp::waitUntilOnScreen(bool expectChange, bool firstMove) {
    if (!showWindow_) {
        std::this_thread::sleep_for(60ms);
        return;
    }
    if (!expectChange) {
        // The same slide again: the picture is taken anew only when it looked like the one
        // before, so take it once the show has stopped drawing (its busy sign included).
        showWindow_->waitForStillness(StillFor, NextSlideLimit);
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + FirstSlideLimit;
    bool drawn = showWindow_->waitForFrame(NextSlideLimit);
    while (firstMove && (!drawn || showWindow_->showsOnlyBlack()) &&
           std::chrono::steady_clock::now() < deadline) {
        drawn = showWindow_->waitForFrame(std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now()));
    }
}

// The show has drawn the slide, then prepares the next one under a busy sign: the slide is
// complete once the show is done with it and the sign is off the screen.
void LibreOfficeApp::waitUntilFinished(long finishedBefore) {
    if (!progress_.is() || !progress_->waitBeyond(finishedBefore, NextSlideLimit))
        return;
    if (showWindow_)
        showWindow_->takeDownBusySign(BusySignLimit);
}

}  // namespace platform::office
