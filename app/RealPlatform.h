#pragma once
// Start-up's choice of the real platform services.
#include <memory>

#include "app/Program.h"

namespace app {

// A display to show windows on: DISPLAY or WAYLAND_DISPLAY names one that answers. One that is
// named but cannot be used is dropped from the environment, with one line on standard error
// saying why.
bool displayAvailable();

// Before QApplication exists: without a display, Qt runs on its offscreen platform. Where the
// program's messages go to the console (no display, or no dialogs), Qt's remarks about the
// environment stay off it.
void prepareQtPlatform(bool display, bool consoleMessages = false);

// How the program talks to its user.
struct DialogChoice {
    bool noDialogs = false;  // console messages, and questions answered, even under a display
    bool quiet = false;      // no notice before a conversion, no progress
};

// The real services of this process, chosen once QApplication exists: the window dialogs (or,
// without a display or with noDialogs, the console ones), the real clock, the shell, the event
// pump, and the factory of each run's platform, whose office calls are bounded by officeTimeout
// seconds.
class RealPlatform {
  public:
    explicit RealPlatform(bool display, DialogChoice choice = {}, double officeTimeout = 60);
    ~RealPlatform();
    RealPlatform(const RealPlatform&) = delete;
    RealPlatform& operator=(const RealPlatform&) = delete;

    platform::Dialogs& dialogs();
    platform::Clock& clock();
    platform::Shell& shell();
    platform::EventPump& events();
    platform::RunPlatformFactory& runs();

  private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

}  // namespace app
