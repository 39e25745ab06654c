#pragma once
// Xlib reports a request that fails (a window that has just gone, a grab another client holds)
// to one process-wide error handler, whose default ends the process. While a guard lives, errors
// on its thread are noted instead; the previous handler comes back when it ends. Guards nest.
#include "platform/x11/XTypes.h"

namespace platform::x11 {

class XErrorGuard {
  public:
    // Sends what is still queued first, so that earlier errors are not taken for this span's.
    explicit XErrorGuard(_XDisplay* display);
    ~XErrorGuard();
    XErrorGuard(const XErrorGuard&) = delete;
    XErrorGuard& operator=(const XErrorGuard&) = delete;

    // Waits until the server has answered every request so far, then says the code of the last
    // error it reported during this guard (0: none).
    int lastError();

  private:
    using AnyHandler = void (*)();  // Xlib's handler type, kept without its header

    _XDisplay* display_;
    AnyHandler previousHandler_ = nullptr;
    XErrorGuard* outer_ = nullptr;
    int lastError_ = 0;

    friend struct XErrorNote;
};

// A connection whose server ends (or is killed) must not end this process, as Xlib does by
// default: from then on the connection's calls fail, and `lost` says so. `lost` must outlive the
// connection.
void keepProcessOnLoss(_XDisplay* display, bool& lost);

}  // namespace platform::x11
