#pragma once
// Keyboard and mouse injection on X11 through the XTest extension, on a display connection of
// its own. Xlib stays inside the .cpp: its macros clash with Qt and UNO.
#include <functional>
#include <memory>

#include "platform/Input.h"

namespace platform {

class X11Input : public Input {
  public:
    // Connects to the named display (nullptr: $DISPLAY). Throws std::runtime_error when there
    // is no display or it lacks the XTest or XKB extension.
    explicit X11Input(const char* displayName = nullptr);
    ~X11Input() override;
    X11Input(const X11Input&) = delete;
    X11Input& operator=(const X11Input&) = delete;

    void keyEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags) override;
    void mouseEvent(std::uint32_t flags, std::int32_t dx, std::int32_t dy) override;
    void setCursorPos(std::int32_t x, std::int32_t y) override;
    std::uint32_t virtualKeyToScanCode(std::uint32_t virtualKey) override;
    std::uint16_t characterToKeyCode(char character) override;
    std::int16_t keyState(std::uint8_t virtualKey) override;
    KeyboardState keyboardState() override;
    void setKeyboardState(const KeyboardState& state) override;
    // The window handle is an X window id; no window, no effect.
    void windowCommand(WindowHandle window, std::uint32_t command) override;
    void drainKeyboardMessages() override;

    // The program's own reaction to Print Screen (virtual key 0x2C), which is never sent to the
    // X server: this runs at each injected key-up, before keyEvent returns.
    void setPrintScreenHandler(std::function<void()> handler);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform
