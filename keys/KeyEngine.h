#pragma once
// The key engine: the key-string language and the keyboard and mouse events it plays into the
// input stream. It reaches the machine only through the services it is built with (input, clock,
// dialogs) and the log writer, so that the whole engine runs against fakes in tests.
#include <cstdint>
#include <functional>
#include <string>

#include "keys/KeyNames.h"
#include "platform/Input.h"

namespace platform {
class Clock;
class Dialogs;
}  // namespace platform

namespace support {
class LogFile;
}

namespace keys {

// The state of one SendKeys call.
struct KeyParseState {
    bool Wait = false;     // drain keyboard messages after every keyboard event
    bool InGroup = false;  // a "(" is open: ReleaseModifiers does nothing
    bool ShiftHeld = false;
    bool ControlHeld = false;
    bool AltHeld = false;
};

// Settings that key strings change and that last from one SendKeys call to the next: the program
// keeps one for as long as it runs.
struct KeySettings {
    std::int32_t CursorX = 0;
    std::int32_t CursorY = 0;
    std::int32_t CursorMode = 0;  // 0 absolute, other relative
    std::int32_t MoveX = 0;
    std::int32_t MoveY = 0;
    std::int32_t KeyDelay = 0;      // ms
    std::int32_t ClickWait = 1000;  // ms
    // The window that "MIN", "MAX" and "RESTORE" address; none unless a caller assigns one.
    platform::WindowHandle TargetWindow = nullptr;
    // The application's own window, hidden behind the quoted-message element: restored before
    // its box and minimised after it. Set by the window layer; unset, only the box is shown.
    std::function<void()> RestoreApplication;
    std::function<void()> MinimizeApplication;
};

class KeyEngine {
  public:
    KeyEngine(platform::Input& input, platform::Clock& clock, platform::Dialogs& dialogs,
              support::LogFile& log, KeySettings& settings)
        : input_(input), clock_(clock), dialogs_(dialogs), log_(log), settings_(settings) {}

    // Plays the key string (read up to its first NUL). True when a non-empty string was played
    // to its end; false for an empty string or an unclosed "{". A repeat count that is not an
    // integer throws support::ConvertError.
    bool SendKeys(const std::string& keys, bool wait);

    // The code of the entry named exactly `name` (already upper-cased), or NoKey (logged).
    std::uint16_t LookUpKeyName(const std::string& name);

    void InjectKeyEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags,
                        const KeyParseState& state);
    void PressKey(std::uint8_t virtualKey, std::uint16_t count, bool release, KeyParseState& state);
    void ReleaseKey(std::uint8_t virtualKey, KeyParseState& state);
    void TypeKey(std::uint16_t keyCode, std::uint16_t count, KeyParseState& state);
    void ReleaseModifiers(KeyParseState& state);
    void RunKeyCommand(const std::string& name, std::int32_t argument);
    void ShowKeyError(const std::string& text);

  private:
    // Reads the braced element at `pos` and plays it; false when it has no "}".
    bool playBracedElement(const std::string& keys, std::size_t& pos, KeyParseState& state);
    void typeCharacter(char character, KeyParseState& state);
    void sleepMs(std::int32_t ms);
    void traceCursor();
    void click(std::uint32_t downFlags, std::uint32_t upFlags, bool twice);
    void drag();
    void windowCommand(std::uint32_t command);
    void showQuotedMessage(const std::string& text);

    platform::Input& input_;
    platform::Clock& clock_;
    platform::Dialogs& dialogs_;
    support::LogFile& log_;
    KeySettings& settings_;
};

}  // namespace keys
