#pragma once
// Start-up's choice of the real platform services.
namespace app {

// A display to show windows on: DISPLAY or WAYLAND_DISPLAY names one that answers. One that is
// named but cannot be used is dropped from the environment, with one line on standard error
// saying why.
bool displayAvailable();

// Before QApplication exists: without a display, Qt runs on its offscreen platform.
void prepareQtPlatform(bool display);

// Once QApplication exists: installs the window dialogs (or, without a display, the console
// ones), the real clock, the shell, the event pump and the office, whose calls are bounded by
// officeTimeout seconds.
void installRealServices(bool display, double officeTimeout = 60);

}  // namespace app
