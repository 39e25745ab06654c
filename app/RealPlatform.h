#pragma once
// Start-up's choice of the real platform services.
namespace app {

// A display to show windows on: DISPLAY or WAYLAND_DISPLAY is set (and not empty).
bool displayAvailable();

// Before QApplication exists: without a display, Qt runs on its offscreen platform.
void prepareQtPlatform(bool display);

// Once QApplication exists: installs the window dialogs (or, without a display, the console
// ones), the real clock, the shell and the event pump.
void installRealServices(bool display);

}  // namespace app
