#pragma once
// The office's busy sign over its slide show: once a slide is drawn, the office prepares the next
// one under a small sign in a corner and takes the sign off when it is done, both times as a small
// drawing over the slide, before it tells its listeners that it is done with the slide. So the
// sign is up after an odd number of small drawings since the last whole frame.
#include <optional>

#include "platform/x11/DamageWatch.h"
#include "platform/x11/XTypes.h"

namespace platform::x11 {

class BusySign {
  public:
    BusySign(_XDisplay* display, WindowId show);

    // A whole frame was drawn: it covers any sign.
    void noteFrame();
    // A small drawing over a drawn slide: the sign going up or coming off.
    void noteSign(const WindowArea& area);
    bool up() const { return up_; }

    // Until the sign is off the screen, taking the window's events from `damage` meanwhile: its
    // own drawing takes it off; when that does not come soon, its corner is repainted. Gives up
    // at `end`. False when the window went away.
    bool takeDown(DamageWatch& damage, Clock::time_point end);

  private:
    bool waitWhileUp(DamageWatch& damage, Clock::time_point end);

    _XDisplay* display_;
    WindowId show_;
    bool frameSeen_ = false;
    bool up_ = false;
    std::optional<WindowArea> area_;  // where the sign was drawn last
};

// True while `window` holds nothing but black (a show that has not drawn yet); false also when
// it cannot be read.
bool holdsOnlyBlack(_XDisplay* display, WindowId window);

}  // namespace platform::x11
