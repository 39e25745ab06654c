#include "keys/KeyEngine.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "platform/VirtualKeys.h"
#include "support/Convert.h"
#include "support/DebugVar.h"
#include "support/Files.h"

namespace keys {

const std::array<KeyName, 62> KeyNameTable = {{
    {"BACKSPACE", 0x08}, {"BKSP", 0x08},     {"BREAK", 0x03},       {"BS", 0x08},
    {"CAPSLOCK", 0x14},  {"CLEAR", 0x0C},    {"CURSORV", 0x01},     {"CURSORX", 0x01},
    {"CURSORY", 0x01},   {"DEBUG", 0x01},    {"DEL", 0x2E},         {"DELAY", 0x01},
    {"DELETE", 0x2E},    {"DOWN", 0x28},     {"END", 0x23},         {"ENTER", 0x0D},
    {"ESC", 0x1B},       {"ESCAPE", 0x1B},   {"F1", 0x70},          {"F10", 0x79},
    {"F11", 0x7A},       {"F12", 0x7B},      {"F13", 0x7C},         {"F14", 0x7D},
    {"F15", 0x7E},       {"F16", 0x7F},      {"F2", 0x71},          {"F3", 0x72},
    {"F4", 0x73},        {"F5", 0x74},       {"F6", 0x75},          {"F7", 0x76},
    {"F8", 0x77},        {"F9", 0x78},       {"HELP", 0x2F},        {"HOME", 0x24},
    {"INS", 0x2D},       {"INSERT", 0x2D},   {"LEFT", 0x25},        {"MAX", 0x01},
    {"MIN", 0x01},       {"MLDOUBLE", 0x01}, {"MLEFT", 0x01},       {"MMIDDLE", 0x01},
    {"MOVE", 0x01},      {"MOVEX", 0x01},    {"MOVEY", 0x01},       {"MRIGHT", 0x01},
    {"NUMLOCK", 0x90},   {"PAGEDOWN", 0x22}, {"PAGEUP", 0x21},      {"PAUSE", 0x01},
    {"PGDN", 0x22},      {"PGUP", 0x21},     {"PRINTSCREEN", 0x2C}, {"PRTSC", 0x2C},
    {"RESTORE", 0x01},   {"RIGHT", 0x27},    {"SCROLLLOCK", 0x91},  {"TAB", 0x09},
    {"UP", 0x26},        {"WAIT", 0x01},
}};

std::int32_t CursorX = 0;
std::int32_t CursorY = 0;
std::int32_t CursorMode = 0;
std::int32_t MoveX = 0;
std::int32_t MoveY = 0;
std::int32_t KeyDelay = 0;
std::int32_t ClickWait = 1000;
platform::WindowHandle TargetWindow = nullptr;
std::function<void()> RestoreApplication;
std::function<void()> MinimizeApplication;

namespace {

using platform::VkAlt;
using platform::VkControl;
using platform::VkNumLock;
using platform::VkReturn;
using platform::VkShift;
constexpr std::uint16_t LiteralOpenBrace = 0x01DB;
constexpr std::uint16_t LiteralCloseBrace = 0x01DD;
constexpr std::size_t MaxNameLength = 255;

bool isExtendedKey(std::uint8_t virtualKey) {
    return (virtualKey >= 0x21 && virtualKey <= 0x28) || virtualKey == 0x2D || virtualKey == 0x2E;
}

std::string upperCase(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

// Seconds to milliseconds for the pause settings. A negative argument would become a wait of
// weeks once read as unsigned, and a large one overflows 32 bits: 0 and the 32-bit maximum.
std::int32_t secondsToMs(std::int32_t seconds) {
    const std::int64_t ms = static_cast<std::int64_t>(seconds) * 1000;
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(ms, 0, std::numeric_limits<std::int32_t>::max()));
}

// Cursor arithmetic wraps like the 32-bit machine arithmetic it came from, without UB.
std::int32_t wrappingAdd(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

void sleepMs(std::int32_t ms) {
    platform::clock().sleep(std::max<std::int32_t>(ms, 0));
}

void traceCursor() {
    if (support::DebugTrace && static_cast<std::int64_t>(CursorX) + CursorY != 0) {
        support::WriteLog(" X=" + std::to_string(CursorX) + " Y=" + std::to_string(CursorY));
    }
}

void click(std::uint32_t downFlags, std::uint32_t upFlags, bool twice) {
    traceCursor();
    platform::Input& input = platform::input();
    for (int i = 0; i < (twice ? 2 : 1); ++i) {
        input.setCursorPos(CursorX, CursorY);
        input.mouseEvent(downFlags, 0, 0);
        input.setCursorPos(CursorX, CursorY);
        input.mouseEvent(upFlags, 0, 0);
    }
    sleepMs(ClickWait);
}

void drag() {
    constexpr std::uint32_t MoveWithLeftDown = 0x0003;
    constexpr std::uint32_t LeftUp = 0x0004;
    traceCursor();
    platform::Input& input = platform::input();
    input.setCursorPos(CursorX, CursorY);
    input.mouseEvent(MoveWithLeftDown, 0, 0);
    input.mouseEvent(MoveWithLeftDown, MoveX, MoveY);
    input.mouseEvent(LeftUp, 0, 0);
    sleepMs(ClickWait);
}

void windowCommand(std::uint32_t command) {
    platform::input().windowCommand(TargetWindow, command);
    sleepMs(ClickWait);
}

void showQuotedMessage(const std::string& text) {
    if (RestoreApplication)
        RestoreApplication();
    platform::dialogs().message(text);
    if (MinimizeApplication)
        MinimizeApplication();
}

}  // namespace

void ResetKeySettings() {
    CursorX = CursorY = CursorMode = 0;
    MoveX = MoveY = 0;
    KeyDelay = 0;
    ClickWait = 1000;
    TargetWindow = nullptr;
    RestoreApplication = nullptr;
    MinimizeApplication = nullptr;
}

std::uint16_t LookUpKeyName(const std::string& name) {
    const auto* first = KeyNameTable.begin();
    const auto* last = KeyNameTable.end();
    const auto* found =
        std::lower_bound(first, last, name, [](const KeyName& entry, const std::string& wanted) {
            return std::strcmp(entry.Name, wanted.c_str()) < 0;
        });
    // A NUL inside the name can never match: the table's names have none.
    if (found != last && name.find('\0') == std::string::npos && name == found->Name) {
        return found->Code;
    }
    support::WriteLog("TapSter: Ignored: " + name + " Collided: " + "-1");
    return NoKey;
}

void InjectKeyEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags,
                    const KeyParseState& state) {
    platform::Input& input = platform::input();
    input.keyEvent(virtualKey, scanCode, flags);
    if (state.Wait)
        input.drainKeyboardMessages();
}

void PressKey(std::uint8_t virtualKey, std::uint16_t count, bool release, KeyParseState& state) {
    platform::Input& input = platform::input();
    if (virtualKey == VkNumLock) {
        // Toggled in the state table, once, whatever the count: no key event at all.
        const bool on = (input.keyState(VkNumLock) & 1) != 0;
        platform::KeyboardState table = input.keyboardState();
        table[VkNumLock] =
            static_cast<std::uint8_t>(on ? (table[VkNumLock] & ~1u) : (table[VkNumLock] | 1u));
        input.setKeyboardState(table);
        return;
    }
    const auto scanCode = static_cast<std::uint8_t>(input.virtualKeyToScanCode(virtualKey));
    const std::uint32_t extended = isExtendedKey(virtualKey) ? platform::ExtendedKeyFlag : 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        InjectKeyEvent(virtualKey, scanCode, platform::KeyDownFlag | extended, state);
        if (release)
            InjectKeyEvent(virtualKey, scanCode, platform::KeyUpFlag | extended, state);
    }
}

void ReleaseKey(std::uint8_t virtualKey, KeyParseState& state) {
    const auto scanCode =
        static_cast<std::uint8_t>(platform::input().virtualKeyToScanCode(virtualKey));
    InjectKeyEvent(virtualKey, scanCode, platform::KeyUpFlag, state);
}

void TypeKey(std::uint16_t keyCode, std::uint16_t count, KeyParseState& state) {
    const unsigned shiftState = keyCode >> 8;
    const auto virtualKey = static_cast<std::uint8_t>(keyCode & 0xFF);
    const bool shift = (shiftState & 1) != 0;
    const bool control = (shiftState & 2) != 0;
    const bool alt = (shiftState & 4) != 0;
    if (shift)
        PressKey(VkShift, 1, false, state);
    if (control)
        PressKey(VkControl, 1, false, state);
    if (alt)
        PressKey(VkAlt, 1, false, state);
    PressKey(virtualKey, count, true, state);
    if (shift)
        ReleaseKey(VkShift, state);
    if (control)
        ReleaseKey(VkControl, state);
    if (alt)
        ReleaseKey(VkAlt, state);
    sleepMs(KeyDelay);
}

void ReleaseModifiers(KeyParseState& state) {
    if (state.InGroup)
        return;
    if (state.ShiftHeld)
        ReleaseKey(VkShift, state);
    if (state.ControlHeld)
        ReleaseKey(VkControl, state);
    if (state.AltHeld)
        ReleaseKey(VkAlt, state);
    state.ShiftHeld = state.ControlHeld = state.AltHeld = false;
}

void RunKeyCommand(const std::string& commandName, std::int32_t argument) {
    const std::string name = upperCase(commandName);
    if (name == "DEBUG")
        support::DebugTrace = true;
    if (support::DebugTrace) {
        support::WriteLog("SendMouse:  X0=" + std::to_string(CursorX) +
                          " Y0=" + std::to_string(CursorY) + " Key=" + name);
    }
    if (name == "PAUSE") {
        sleepMs(secondsToMs(argument));
    } else if (name == "DELAY") {
        KeyDelay = secondsToMs(argument);
    } else if (name == "WAIT") {
        ClickWait = secondsToMs(argument);
    } else if (name == "CURSORV") {
        CursorMode = argument;
    } else if (name == "CURSORX") {
        if (CursorMode == 0)
            CursorX = 0;
        CursorX = wrappingAdd(CursorX, argument);
    } else if (name == "CURSORY") {
        if (CursorMode == 0)
            CursorY = 0;
        CursorY = wrappingAdd(CursorY, argument);
    } else if (name == "MOVEX") {
        MoveX = argument;
    } else if (name == "MOVEY") {
        MoveY = argument;
    } else if (name == "MLEFT") {
        click(0x0002, 0x0004, argument != 0);
    } else if (name == "MLDOUBLE") {
        click(0x0002, 0x0004, true);
    } else if (name == "MMIDDLE") {
        click(0x0020, 0x0040, false);
    } else if (name == "MRIGHT") {
        click(0x0008, 0x0010, false);
    } else if (name == "MOVE") {
        drag();
    } else if (name == "MIN") {
        windowCommand(0xF020);
    } else if (name == "MAX") {
        windowCommand(0xF030);
    } else if (name == "RESTORE") {
        windowCommand(0xF120);
    }
}

void ShowKeyError(const std::string& text) {
    platform::dialogs().messageWithCaption("SendKeys", text);
}

bool SendKeys(const std::string& keysArgument, bool wait) {
    // Read like a zero-terminated string: nothing after the first NUL exists.
    const std::string keys = keysArgument.substr(0, keysArgument.find('\0'));
    if (keys.empty())
        return false;

    platform::Input& input = platform::input();
    KeyParseState state;
    state.Wait = wait;

    const auto typeCharacter = [&](char character) {
        const std::uint16_t code = input.characterToKeyCode(character);
        if (code == NoKey) {
            support::WriteLog(std::string("tapster.log: Invalid key: ") + character);
            return;
        }
        TypeKey(code, 1, state);
        ReleaseModifiers(state);
    };

    std::size_t pos = 0;
    while (pos < keys.size()) {
        const char c = keys[pos];
        if (support::DebugTrace)
            support::WriteLog(std::string("Sndkey32: Char=") + c);
        switch (c) {
            case '+':
                state.ShiftHeld = true;
                PressKey(VkShift, 1, false, state);
                ++pos;
                continue;
            case '^':
                state.ControlHeld = true;
                PressKey(VkControl, 1, false, state);
                ++pos;
                continue;
            case '%':
                state.AltHeld = true;
                PressKey(VkAlt, 1, false, state);
                ++pos;
                continue;
            case '(':
                state.InGroup = true;
                ++pos;
                continue;
            case ')':
                state.InGroup = false;
                ReleaseModifiers(state);
                ++pos;
                continue;
            case '~':
                PressKey(VkReturn, 1, true, state);
                ReleaseModifiers(state);
                ++pos;
                continue;
            case '{':
                break;
            default:
                typeCharacter(c);
                ++pos;
                continue;
        }

        // A braced element.
        std::int32_t repeatCount = 1;
        if (pos + 1 < keys.size() && keys[pos + 1] == '{') {
            TypeKey(LiteralOpenBrace, 1, state);
            ReleaseModifiers(state);
            pos += 3;  // "{{" and whatever follows: the written form is "{{}"
            continue;
        }
        const std::size_t close = keys.find('}', pos + 1);
        if (close == std::string::npos) {
            ShowKeyError("No Close");
            return false;
        }
        std::string name =
            upperCase(keys.substr(pos + 1, std::min(close - pos - 1, MaxNameLength)));
        pos = close + 1;
        if (pos < keys.size() && keys[pos] == '}') {
            TypeKey(LiteralCloseBrace, 1, state);
            ReleaseModifiers(state);
            ++pos;
            continue;
        }
        const std::size_t blank = name.find(' ');
        if (blank != std::string::npos && name[0] != '"') {
            repeatCount = support::StrToInt(name.substr(blank + 1));
            name.erase(blank);
        }
        if (support::DebugTrace)
            support::WriteLog("Sndkey32: Keystring: " + name + "<");

        std::uint16_t code;
        if (name.size() == 1) {
            code = input.characterToKeyCode(name[0]);
        } else if (!name.empty() && name[0] == '"') {
            showQuotedMessage(name);
            continue;
        } else {
            code = LookUpKeyName(name);
        }
        if (code == NoKey)
            continue;
        if (code == CommandCode) {
            RunKeyCommand(name, repeatCount);
            continue;
        }
        // A key takes the count's low 16 bits as an unsigned number of presses.
        TypeKey(code, static_cast<std::uint16_t>(repeatCount), state);
        ReleaseModifiers(state);
    }
    ReleaseModifiers(state);
    return true;
}

}  // namespace keys
