#pragma once
// Start-up's choice of the real platform services.
#include <memory>

#include "app/Options.h"
#include "app/Program.h"
#include "platform/libreoffice/ExportOffices.h"

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

// For a command line that exports all slides: its offices, started now, so that they start while
// the program itself does. Nothing for any other command line, or when they cannot start (the
// run then says why, in its own order).
std::unique_ptr<platform::ExportOffices> StartExportOffices(const Options& options);

// The real services of this process, chosen once QApplication exists: the window dialogs (or,
// without a display or with noDialogs, the console ones), the real clock, the shell, the event
// pump, and the factory of each run's platform, whose office calls are bounded by officeTimeout
// seconds. The first export takes the offices `started` for it.
class RealPlatform {
  public:
    explicit RealPlatform(bool display, DialogChoice choice = {}, double officeTimeout = 60,
                          std::unique_ptr<platform::ExportOffices> started = nullptr);
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
