#pragma once
// Keyboard and mouse injection into the system-wide input stream, and the key-state queries the
// keystroke engine needs. Codes and flags are those of the Windows calls the engine was designed
// on (virtual keys, KEYEVENTF_*, MOUSEEVENTF_*); the Linux implementation maps them onto X11.
#include <array>
#include <cstdint>

namespace platform {

using KeyboardState = std::array<std::uint8_t, 256>;
using WindowHandle = void*;

class Input {
  public:
    virtual ~Input() = default;

    // keybd_event: flags 0 down, 2 up, 1 extended down, 3 extended up.
    virtual void keyEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags) = 0;
    // mouse_event: button flags and relative motion.
    virtual void mouseEvent(std::uint32_t flags, std::int32_t dx, std::int32_t dy) = 0;
    // SetCursorPos, in screen coordinates.
    virtual void setCursorPos(std::int32_t x, std::int32_t y) = 0;
    // MapVirtualKeyA(vk, 0): the scan code of a virtual key.
    virtual std::uint32_t virtualKeyToScanCode(std::uint32_t virtualKey) = 0;
    // VkKeyScanA: low byte virtual key, high byte shift state (1 Shift, 2 Control, 4 Alt);
    // 0xFFFF when the character has no key in the current layout.
    virtual std::uint16_t characterToKeyCode(char character) = 0;
    // GetKeyState(vk): bit 0 is the toggle state.
    virtual std::int16_t keyState(std::uint8_t virtualKey) = 0;
    virtual KeyboardState keyboardState() = 0;
    virtual void setKeyboardState(const KeyboardState& state) = 0;
    // SendMessageA(window, WM_SYSCOMMAND, command, window).
    virtual void windowCommand(WindowHandle window, std::uint32_t command) = 0;
    // Dispatches this program's pending keyboard messages.
    virtual void drainKeyboardMessages() = 0;
};

}  // namespace platform
