#pragma once
// The office's busy sign over its slide show: after drawing a slide the office prepares the next
// one under a small sign in a corner, and takes the sign off the screen only at its next update,
// which may be the next move. What is known of the sign comes from the drawing that the show's
// window reports; asking the office to repaint that corner shows the slide without the sign.
#include <optional>
#include <vector>

#include "platform/x11/DamageWatch.h"
#include "platform/x11/XTypes.h"

namespace platform::x11 {

class BusySign {
  public:
    BusySign(_XDisplay* display, WindowId show);
    ~BusySign();
    BusySign(const BusySign&) = delete;
    BusySign& operator=(const BusySign&) = delete;

    // A whole frame was drawn: what the sign's corner holds now is the slide itself.
    void noteFrame();
    // Small drawing after a frame: the sign.
    void noteSign(const WindowArea& area);

    // Has the sign's corner repainted until it holds the slide again, taking the window's
    // events from `damage` meanwhile; gives up at `end`. False when the window went away.
    bool takeDown(DamageWatch& damage, Clock::time_point end);

  private:
    std::vector<unsigned long> pixelsOf(const WindowArea& area) const;
    void forgetFrame();

    _XDisplay* display_;
    WindowId show_;
    // Where the office draws its busy sign, once seen, and what that corner held right after
    // the last frame, before the sign came. Until the sign has been seen, the whole of the last
    // frame is kept instead.
    std::optional<WindowArea> sign_;
    std::vector<unsigned long> cleanCorner_;
    _XImage* lastFrame_ = nullptr;
};

// True while `window` holds nothing but black (a show that has not drawn yet); false also when
// it cannot be read.
bool holdsOnlyBlack(_XDisplay* display, WindowId window);

}  // namespace platform::x11
