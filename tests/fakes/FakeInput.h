#pragma once
// Records every input event as one line of text, so that tests compare exact sequences, and
// answers the key-mapping queries as the US keyboard layout does.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Input.h"

namespace fakes {

// VkKeyScanA on the US layout: low byte virtual key, high byte shift state; 0xFFFF for none.
std::uint16_t usKeyCode(char character);
// MapVirtualKeyA(vk, 0) on a PC keyboard (set 1 scan codes); 0 for keys it does not know.
std::uint32_t usScanCode(std::uint32_t virtualKey);

class FakeInput : public platform::Input {
  public:
    // Lines:  "key VK SC F"  (hex bytes, flags decimal)   "mouse FLAGS DX DY" (flags hex)
    //         "cursor X Y"   "state VK=VALUE" (hex; entries the write changed)
    //         "window HANDLE COMMAND" (hex)   "drain"
    void keyEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags) override;
    void mouseEvent(std::uint32_t flags, std::int32_t dx, std::int32_t dy) override;
    void setCursorPos(std::int32_t x, std::int32_t y) override;
    std::uint32_t virtualKeyToScanCode(std::uint32_t virtualKey) override;
    std::uint16_t characterToKeyCode(char character) override;
    std::int16_t keyState(std::uint8_t virtualKey) override;
    platform::KeyboardState keyboardState() override;
    void setKeyboardState(const platform::KeyboardState& state) override;
    void windowCommand(platform::WindowHandle window, std::uint32_t command) override;
    void drainKeyboardMessages() override;

    // The log without "drain" lines.
    std::vector<std::string> eventsWithoutDrains() const;

    std::vector<std::string> events;
    // Answers that differ from the US layout, for cases such as a character without a key.
    std::map<char, std::uint16_t> keyCodeOverrides;
    std::map<std::uint32_t, std::uint32_t> scanCodeOverrides;
    platform::KeyboardState table{};
    // Called after each logged event (e.g. to stop a fuzz run that grows too long).
    std::function<void()> onEvent;

  private:
    void log(std::string line);
};

}  // namespace fakes
