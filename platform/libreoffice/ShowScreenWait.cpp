// The wait until a slide the show has moved to is drawn on the screen: the show's own window is
// watched for the frames the office draws into it.
#include "platform/libreoffice/ShowScreenWait.h"

#include <stdexcept>
#include <thread>

#include "platform/x11/ShowWindow.h"

namespace platform::office {

using namespace std::chrono_literals;

namespace {

// A new show draws black first and its first slide up to a second later (longer on a busy
// machine); a slide that is black itself costs this wait once.
constexpr auto FirstSlideLimit = 5000ms;
// The busy sign comes off with the office's own drawing once it is done with the slide, or with
// a repaint of its corner.
constexpr auto BusySignLimit = 500ms;
// A show that has drawn nothing for this long has stopped drawing.
constexpr auto StillFor = 200ms;
// The document window is settled once it has been neither drawn nor moved for this long.
constexpr auto DocumentQuiet = 300ms;
// Without a window to watch: a moved-to slide is on the screen 2-26 ms after the move.
constexpr auto PauseAfterMove = 60ms;

class ShowWindowWait : public ShowScreenWait {
  public:
    explicit ShowWindowWait(std::unique_ptr<ShowWindow> window) : window_(std::move(window)) {}

    void waitUntilDocumentSettled() override {
        window_->waitUntilSettled(DocumentQuiet, FirstSlideLimit);
    }

    // The show's window goes full screen and on top.
    bool findShow() override {
        if (!window_->find(FirstSlideLimit))
            return false;
        window_->keepInFront();
        return true;
    }

    void prepareMove() override {
        window_->keepInFront();
        window_->markDrawn();
    }

    // A new show draws black before its first slide, and a window it has not drawn yet shows
    // what was below it: after the first move, only a frame that is not all black is the slide.
    void waitUntilOnScreen(bool expectChange, bool firstMove) override {
        if (!expectChange) {
            // The same slide again: the picture is taken anew only when it looked like the one
            // before, so take it once the show has stopped drawing (its busy sign included).
            window_->waitForStillness(StillFor, NextSlideLimit);
            return;
        }
        const auto deadline = std::chrono::steady_clock::now() + FirstSlideLimit;
        bool drawn = window_->waitForFrame(NextSlideLimit);
        while (firstMove && (!drawn || window_->showsOnlyBlack()) &&
               std::chrono::steady_clock::now() < deadline) {
            drawn = window_->waitForFrame(std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now()));
        }
    }

    void takeDownBusySign() override { window_->takeDownBusySign(BusySignLimit); }

    bool showsOnlyBlack() override { return window_->showsOnlyBlack(); }

  private:
    std::unique_ptr<ShowWindow> window_;
};

}  // namespace

void ShortPause::waitUntilOnScreen(bool, bool) {
    std::this_thread::sleep_for(PauseAfterMove);
}

std::unique_ptr<ShowScreenWait> watchShowScreen(const std::string& display, long officePid) {
    if (!display.empty()) {
        try {
            return std::make_unique<ShowWindowWait>(
                std::make_unique<ShowWindow>(display, officePid));
        } catch (const std::runtime_error&) {
            // No DAMAGE extension, or the display went: nothing to watch.
        }
    }
    return std::make_unique<ShortPause>();
}

}  // namespace platform::office
