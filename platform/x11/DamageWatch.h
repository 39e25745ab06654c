#pragma once
// Waits on drawing, as the DAMAGE extension reports it: a window's drawing is told as events
// on our connection, so a wait ends when the drawing is done rather than after polling pixels.
#include <chrono>
#include <functional>
#include <set>

#include "platform/x11/XTypes.h"

namespace platform::x11 {

using Clock = std::chrono::steady_clock;

// Whether the display reports drawing; `eventBase` is then the number of its first event.
bool hasDamageExtension(_XDisplay* display, int& eventBase);

// Waits for an event on the connection until `deadline`; false when none came in time.
bool waitForEvent(_XDisplay* display, Clock::time_point deadline);

// Waits until `windows` have been neither drawn nor moved for `quiet` (at most `limit`).
void waitUntilUndisturbed(_XDisplay* display, const std::set<WindowId>& windows,
                          std::chrono::milliseconds quiet, std::chrono::milliseconds limit);

// The drawing over one window, and its end (unmapped or destroyed).
class DamageWatch {
  public:
    // Called for every report of drawing, with the total drawn since the last resetDrawn().
    using OnDrawn = std::function<void(const WindowArea& drawn, long drawnSinceReset)>;

    DamageWatch(_XDisplay* display, int damageEventBase, OnDrawn onDrawn);
    ~DamageWatch();
    DamageWatch(const DamageWatch&) = delete;
    DamageWatch& operator=(const DamageWatch&) = delete;

    // Starts watching `window`.
    void watch(WindowId window);
    // The watched window; 0 before watch() and once the window has gone.
    WindowId window() const { return window_; }

    // Handles the events that have come; false when the window went away.
    bool takeEvents();
    // Takes events until none has come for `quiet`, or until `end`; false when the window went
    // away.
    bool takeEventsUntilQuiet(std::chrono::milliseconds quiet, Clock::time_point end);
    bool waitForEvent(Clock::time_point deadline) const;

    // The area drawn since resetDrawn(), in pixels, counted again where drawn again.
    long drawnArea() const { return drawnArea_; }
    // The largest single rectangle drawn since resetDrawn(), in pixels.
    long largestDrawn() const { return largestDrawn_; }
    // Whether drawing came since the last reset, which may not be over.
    bool drawing() const { return drawing_; }
    void resetDrawing() { drawing_ = false; }
    void resetDrawn() {
        drawnArea_ = 0;
        largestDrawn_ = 0;
        drawing_ = false;
    }

  private:
    _XDisplay* display_;
    int damageEventBase_;
    OnDrawn onDrawn_;
    WindowId window_ = 0;
    unsigned long damage_ = 0;  // the DAMAGE object of the window
    long drawnArea_ = 0;
    long largestDrawn_ = 0;
    bool drawing_ = false;
};

}  // namespace platform::x11
