#pragma once
// How the slide show learns that what it did is on the screen: the waits around its start and
// its moves. Free of UNO and X11 headers: the show does not know how the screen is watched.
#include <chrono>
#include <memory>
#include <string>

namespace platform::office {

// Another slide is drawn 2-26 ms after the move and the show is done with it soon after; a
// slide that looks like the one before may not be drawn again at all.
inline constexpr std::chrono::milliseconds NextSlideLimit{2000};

class ShowScreenWait {
  public:
    virtual ~ShowScreenWait() = default;

    // Before the show starts: until the document window has settled (a show started while the
    // window manager still places it stays black).
    virtual void waitUntilDocumentSettled() = 0;
    // The show has started: finds its window and puts it in front. False when there is no
    // window to watch.
    virtual bool findShow() = 0;
    // Before a move: the show is in front, and only what is drawn from now on counts.
    virtual void prepareMove() = 0;
    // After a move, until the slide is on the screen. `expectChange`: another slide than the one
    // shown; `firstMove`: the first of a new show, which draws black first.
    virtual void waitUntilOnScreen(bool expectChange, bool firstMove) = 0;
    // The show is done with the slide: until its busy sign is off the screen.
    virtual void takeDownBusySign() = 0;
    // True while the show's window holds nothing but black (a show that has not drawn yet).
    virtual bool showsOnlyBlack() = 0;
};

// Without a window to watch, a short pause after each move is all there is.
class ShortPause : public ShowScreenWait {
  public:
    void waitUntilDocumentSettled() override {}
    bool findShow() override { return false; }
    void prepareMove() override {}
    void waitUntilOnScreen(bool expectChange, bool firstMove) override;
    void takeDownBusySign() override {}
    bool showsOnlyBlack() override { return false; }
};

// Watches the show's window on the X display `display`: the window that process `officePid`
// opens after now. A ShortPause when `display` is empty or cannot be watched.
std::unique_ptr<ShowScreenWait> watchShowScreen(const std::string& display, long officePid);

}  // namespace platform::office
