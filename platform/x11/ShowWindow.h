#pragma once
// The slide show's own window on an X screen, as the wait after a move sees it: found among the
// windows of the office process, kept full screen, on top and focused under a window manager,
// and watched through the DAMAGE extension, so that a move ends once the slide is drawn rather
// than after polling the screen. Xlib stays inside the .cpp: its macros clash with Qt and UNO.
// The parts: OfficeWindows (which windows are the office's), WindowManager (full screen and
// focus), DamageWatch (waits on drawing) and BusySign (the office's sign over a drawn slide).
#include <chrono>
#include <memory>
#include <string>

namespace platform {

class ShowWindow {
  public:
    // Connects to the display and notes the windows the office has before its show starts, so
    // that the show's window is the one that comes after. Throws std::runtime_error when the
    // display cannot be opened or lacks the DAMAGE extension.
    ShowWindow(const std::string& displayName, long officePid);
    ~ShowWindow();
    ShowWindow(const ShowWindow&) = delete;
    ShowWindow& operator=(const ShowWindow&) = delete;

    // Waits until the office's windows have not been drawn or moved for `quiet` (at most
    // `limit`): a show started while the window manager is still placing the document window
    // stays black.
    void waitUntilSettled(std::chrono::milliseconds quiet, std::chrono::milliseconds limit);
    // Waits up to `limit` for the show's window to be on the screen; false when it is not.
    bool find(std::chrono::milliseconds limit);
    // Full screen, above the other windows and focused, by the window manager's rules when one
    // runs (EWMH), directly otherwise. Waits a moment for the focus; cheap when all is so.
    void keepInFront();
    // Forgets the drawing seen so far: the next wait is for drawing that comes after.
    void markDrawn();
    // Waits up to `limit` for a frame drawn over the window since markDrawn(): one copy of the
    // whole window, or drawing in stages that has stopped for a moment. False when no frame came.
    bool waitForFrame(std::chrono::milliseconds limit);
    // The office draws a busy sign in a corner while it prepares the next slide: once it is done
    // with the slide, this waits until the sign is off the screen again, having the corner
    // repainted when the sign stays (at most `limit`).
    void takeDownBusySign(std::chrono::milliseconds limit);
    // Waits until nothing has been drawn for `quiet` (at most `limit`).
    void waitForStillness(std::chrono::milliseconds quiet, std::chrono::milliseconds limit);
    // True while the window holds nothing but black (a show that has not drawn yet).
    bool showsOnlyBlack();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform
