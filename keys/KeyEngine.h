#pragma once
// The key engine: the key-string language and the keyboard and mouse events it plays into the input
// stream. Reaches the machine only through the platform services (input, clock, dialogs) and the
// log writer, so that the whole engine runs against fakes in tests.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/Input.h"

namespace keys {

// The state of one SendKeys call.
struct KeyParseState {
    bool Wait = false;     // drain keyboard messages after every keyboard event
    bool InGroup = false;  // a "(" is open: ReleaseModifiers does nothing
    bool ShiftHeld = false;
    bool ControlHeld = false;
    bool AltHeld = false;
};

struct KeyName {
    const char* Name;
    std::uint8_t Code;  // a virtual key, or CommandCode
};

// Marks a table entry that RunKeyCommand carries out; never sent as a key.
inline constexpr std::uint8_t CommandCode = 1;
// "No key" in the VkKeyScanA form of key codes.
inline constexpr std::uint16_t NoKey = 0xFFFF;

// Sorted by byte-wise comparison of the names: LookUpKeyName is a binary search over it.
extern const std::array<KeyName, 62> KeyNameTable;

// Settings that key strings change and that last from one SendKeys call to the next.
extern std::int32_t CursorX;
extern std::int32_t CursorY;
extern std::int32_t CursorMode;  // 0 absolute, other relative
extern std::int32_t MoveX;
extern std::int32_t MoveY;
extern std::int32_t KeyDelay;   // ms
extern std::int32_t ClickWait;  // ms
// The window that "MIN", "MAX" and "RESTORE" address; none unless a caller assigns one.
extern platform::WindowHandle TargetWindow;

// The application's own window, hidden behind the quoted-message element: restored before its box
// and minimised after it. Installed by the window layer; unset, only the box is shown.
extern std::function<void()> RestoreApplication;
extern std::function<void()> MinimizeApplication;

// Back to the values of process start (tests; DebugTrace is not touched).
void ResetKeySettings();

// Plays the key string (read up to its first NUL). True when a non-empty string was played to
// its end; false for an empty string or an unclosed "{". A repeat count that is not an integer
// throws support::ConvertError.
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

}  // namespace keys
