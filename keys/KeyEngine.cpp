#include "keys/KeyEngine.h"

#include <algorithm>
#include <limits>

#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/VirtualKeys.h"
#include "support/Convert.h"
#include "support/LogFile.h"

namespace keys {

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

}  // namespace

void KeyEngine::sleepMs(std::int32_t ms) {
    clock_.sleep(std::max<std::int32_t>(ms, 0));
}

void KeyEngine::traceCursor() {
    if (log_.DebugTrace && static_cast<std::int64_t>(settings_.CursorX) + settings_.CursorY != 0) {
        log_.WriteLog(" X=" + std::to_string(settings_.CursorX) +
                      " Y=" + std::to_string(settings_.CursorY));
    }
}

void KeyEngine::click(std::uint32_t downFlags, std::uint32_t upFlags, bool twice) {
    traceCursor();
    for (int i = 0; i < (twice ? 2 : 1); ++i) {
        input_.setCursorPos(settings_.CursorX, settings_.CursorY);
        input_.mouseEvent(downFlags, 0, 0);
        input_.setCursorPos(settings_.CursorX, settings_.CursorY);
        input_.mouseEvent(upFlags, 0, 0);
    }
    sleepMs(settings_.ClickWait);
}

void KeyEngine::drag() {
    constexpr std::uint32_t MoveWithLeftDown = 0x0003;
    constexpr std::uint32_t LeftUp = 0x0004;
    traceCursor();
    input_.setCursorPos(settings_.CursorX, settings_.CursorY);
    input_.mouseEvent(MoveWithLeftDown, 0, 0);
    input_.mouseEvent(MoveWithLeftDown, settings_.MoveX, settings_.MoveY);
    input_.mouseEvent(LeftUp, 0, 0);
    sleepMs(settings_.ClickWait);
}

void KeyEngine::windowCommand(std::uint32_t command) {
    input_.windowCommand(settings_.TargetWindow, command);
    sleepMs(settings_.ClickWait);
}

void KeyEngine::showQuotedMessage(const std::string& text) {
    if (settings_.RestoreApplication)
        settings_.RestoreApplication();
    dialogs_.message(text);
    if (settings_.MinimizeApplication)
        settings_.MinimizeApplication();
}

std::uint16_t KeyEngine::LookUpKeyName(const std::string& name) {
    const std::uint16_t code = FindKeyName(name);
    if (code == NoKey)
        log_.WriteLog("TapSter: Ignored: " + name + " Collided: " + "-1");
    return code;
}

void KeyEngine::InjectKeyEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags,
                               const KeyParseState& state) {
    input_.keyEvent(virtualKey, scanCode, flags);
    if (state.Wait)
        input_.drainKeyboardMessages();
}

void KeyEngine::PressKey(std::uint8_t virtualKey, std::uint16_t count, bool release,
                         KeyParseState& state) {
    if (virtualKey == VkNumLock) {
        // Toggled in the state table, once, whatever the count: no key event at all.
        const bool on = (input_.keyState(VkNumLock) & 1) != 0;
        platform::KeyboardState table = input_.keyboardState();
        table[VkNumLock] =
            static_cast<std::uint8_t>(on ? (table[VkNumLock] & ~1u) : (table[VkNumLock] | 1u));
        input_.setKeyboardState(table);
        return;
    }
    const auto scanCode = static_cast<std::uint8_t>(input_.virtualKeyToScanCode(virtualKey));
    const std::uint32_t extended = isExtendedKey(virtualKey) ? platform::ExtendedKeyFlag : 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        InjectKeyEvent(virtualKey, scanCode, platform::KeyDownFlag | extended, state);
        if (release)
            InjectKeyEvent(virtualKey, scanCode, platform::KeyUpFlag | extended, state);
    }
}

void KeyEngine::ReleaseKey(std::uint8_t virtualKey, KeyParseState& state) {
    const auto scanCode = static_cast<std::uint8_t>(input_.virtualKeyToScanCode(virtualKey));
    InjectKeyEvent(virtualKey, scanCode, platform::KeyUpFlag, state);
}

void KeyEngine::TypeKey(std::uint16_t keyCode, std::uint16_t count, KeyParseState& state) {
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
    sleepMs(settings_.KeyDelay);
}

void KeyEngine::ReleaseModifiers(KeyParseState& state) {
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

void KeyEngine::RunKeyCommand(const std::string& commandName, std::int32_t argument) {
    const std::string name = upperCase(commandName);
    KeySettings& s = settings_;
    if (name == "DEBUG")
        log_.DebugTrace = true;
    if (log_.DebugTrace) {
        log_.WriteLog("SendMouse:  X0=" + std::to_string(s.CursorX) +
                      " Y0=" + std::to_string(s.CursorY) + " Key=" + name);
    }
    if (name == "PAUSE") {
        sleepMs(secondsToMs(argument));
    } else if (name == "DELAY") {
        s.KeyDelay = secondsToMs(argument);
    } else if (name == "WAIT") {
        s.ClickWait = secondsToMs(argument);
    } else if (name == "CURSORV") {
        s.CursorMode = argument;
    } else if (name == "CURSORX") {
        if (s.CursorMode == 0)
            s.CursorX = 0;
        s.CursorX = wrappingAdd(s.CursorX, argument);
    } else if (name == "CURSORY") {
        if (s.CursorMode == 0)
            s.CursorY = 0;
        s.CursorY = wrappingAdd(s.CursorY, argument);
    } else if (name == "MOVEX") {
        s.MoveX = argument;
    } else if (name == "MOVEY") {
        s.MoveY = argument;
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

void KeyEngine::ShowKeyError(const std::string& text) {
    dialogs_.messageWithCaption("SendKeys", text);
}

void KeyEngine::typeCharacter(char character, KeyParseState& state) {
    const std::uint16_t code = input_.characterToKeyCode(character);
    if (code == NoKey) {
        log_.WriteLog(std::string("tapster.log: Invalid key: ") + character);
        return;
    }
    TypeKey(code, 1, state);
    ReleaseModifiers(state);
}

bool KeyEngine::playBracedElement(const std::string& keys, std::size_t& pos, KeyParseState& state) {
    std::int32_t repeatCount = 1;
    if (pos + 1 < keys.size() && keys[pos + 1] == '{') {
        TypeKey(LiteralOpenBrace, 1, state);
        ReleaseModifiers(state);
        pos += 3;  // "{{" and whatever follows: the written form is "{{}"
        return true;
    }
    const std::size_t close = keys.find('}', pos + 1);
    if (close == std::string::npos) {
        ShowKeyError("No Close");
        return false;
    }
    std::string name = upperCase(keys.substr(pos + 1, std::min(close - pos - 1, MaxNameLength)));
    pos = close + 1;
    if (pos < keys.size() && keys[pos] == '}') {
        TypeKey(LiteralCloseBrace, 1, state);
        ReleaseModifiers(state);
        ++pos;
        return true;
    }
    const std::size_t blank = name.find(' ');
    if (blank != std::string::npos && name[0] != '"') {
        repeatCount = support::StrToInt(name.substr(blank + 1));
        name.erase(blank);
    }
    if (log_.DebugTrace)
        log_.WriteLog("Sndkey32: Keystring: " + name + "<");

    std::uint16_t code;
    if (name.size() == 1) {
        code = input_.characterToKeyCode(name[0]);
    } else if (!name.empty() && name[0] == '"') {
        showQuotedMessage(name);
        return true;
    } else {
        code = LookUpKeyName(name);
    }
    if (code == NoKey)
        return true;
    if (code == CommandCode) {
        RunKeyCommand(name, repeatCount);
        return true;
    }
    // A key takes the count's low 16 bits as an unsigned number of presses.
    TypeKey(code, static_cast<std::uint16_t>(repeatCount), state);
    ReleaseModifiers(state);
    return true;
}

bool KeyEngine::SendKeys(const std::string& keysArgument, bool wait) {
    // Read like a zero-terminated string: nothing after the first NUL exists.
    const std::string keys = keysArgument.substr(0, keysArgument.find('\0'));
    if (keys.empty())
        return false;

    KeyParseState state;
    state.Wait = wait;
    std::size_t pos = 0;
    while (pos < keys.size()) {
        const char c = keys[pos];
        if (log_.DebugTrace)
            log_.WriteLog(std::string("Sndkey32: Char=") + c);
        switch (c) {
            case '+':
                state.ShiftHeld = true;
                PressKey(VkShift, 1, false, state);
                break;
            case '^':
                state.ControlHeld = true;
                PressKey(VkControl, 1, false, state);
                break;
            case '%':
                state.AltHeld = true;
                PressKey(VkAlt, 1, false, state);
                break;
            case '(':
                state.InGroup = true;
                break;
            case ')':
                state.InGroup = false;
                ReleaseModifiers(state);
                break;
            case '~':
                PressKey(VkReturn, 1, true, state);
                ReleaseModifiers(state);
                break;
            case '{':
                if (!playBracedElement(keys, pos, state))
                    return false;
                continue;  // the element moved pos past itself
            default:
                typeCharacter(c, state);
                break;
        }
        ++pos;
    }
    ReleaseModifiers(state);
    return true;
}

}  // namespace keys
