#include "tests/fakes/FakeInput.h"

#include <cstdio>
#include <cstring>

namespace fakes {
namespace {

std::string hex(std::uint32_t value, int digits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
    return buffer;
}

}  // namespace

std::uint16_t usKeyCode(char character) {
    const auto c = static_cast<unsigned char>(character);
    if (c >= 'a' && c <= 'z')
        return static_cast<std::uint16_t>(c - 'a' + 'A');
    if (c >= 'A' && c <= 'Z')
        return static_cast<std::uint16_t>(0x0100 | c);
    if (c >= '0' && c <= '9')
        return c;
    static const char shiftedDigits[] = ")!@#$%^&*(";
    if (const char* p = std::strchr(shiftedDigits, c); p != nullptr && c != 0) {
        return static_cast<std::uint16_t>(0x0130 + (p - shiftedDigits));
    }
    struct Pair {
        char plain, shifted;
        std::uint8_t vk;
    };
    static const Pair oem[] = {{';', ':', 0xBA}, {'=', '+', 0xBB}, {',', '<', 0xBC},
                               {'-', '_', 0xBD}, {'.', '>', 0xBE}, {'/', '?', 0xBF},
                               {'`', '~', 0xC0}, {'[', '{', 0xDB}, {'\\', '|', 0xDC},
                               {']', '}', 0xDD}, {'\'', '"', 0xDE}};
    for (const Pair& pair : oem) {
        if (c == static_cast<unsigned char>(pair.plain))
            return pair.vk;
        if (c == static_cast<unsigned char>(pair.shifted))
            return 0x0100 | pair.vk;
    }
    switch (c) {
        case ' ':
            return 0x0020;
        case '\b':
            return 0x0008;
        case '\t':
            return 0x0009;
        case '\r':
            return 0x000D;
        case '\n':
            return 0x020D;  // Control+Enter gives a line feed
        case 0x1B:
            return 0x001B;
        default:
            break;
    }
    if (c >= 1 && c <= 26)
        return static_cast<std::uint16_t>(0x0200 | (c + 'A' - 1));
    return 0xFFFF;
}

std::uint32_t usScanCode(std::uint32_t vk) {
    static const std::map<std::uint32_t, std::uint32_t> codes = [] {
        std::map<std::uint32_t, std::uint32_t> m = {
            {0x08, 0x0E}, {0x09, 0x0F}, {0x0D, 0x1C}, {0x10, 0x2A}, {0x11, 0x1D}, {0x12, 0x38},
            {0x14, 0x3A}, {0x1B, 0x01}, {0x20, 0x39}, {0x21, 0x49}, {0x22, 0x51}, {0x23, 0x4F},
            {0x24, 0x47}, {0x25, 0x4B}, {0x26, 0x48}, {0x27, 0x4D}, {0x28, 0x50}, {0x2C, 0x54},
            {0x2D, 0x52}, {0x2E, 0x53}, {0x90, 0x45}, {0x91, 0x46}, {0xBA, 0x27}, {0xBB, 0x0D},
            {0xBC, 0x33}, {0xBD, 0x0C}, {0xBE, 0x34}, {0xBF, 0x35}, {0xC0, 0x29}, {0xDB, 0x1A},
            {0xDC, 0x2B}, {0xDD, 0x1B}, {0xDE, 0x28}};
        const char* rows[] = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
        const std::uint32_t starts[] = {0x10, 0x1E, 0x2C};
        for (int r = 0; r < 3; ++r) {
            for (std::uint32_t i = 0; rows[r][i] != 0; ++i) m[rows[r][i]] = starts[r] + i;
        }
        for (std::uint32_t d = 1; d <= 9; ++d) m['0' + d] = 0x01 + d;
        m['0'] = 0x0B;
        for (std::uint32_t f = 0; f < 10; ++f) m[0x70 + f] = 0x3B + f;
        return m;
    }();
    const auto found = codes.find(vk);
    return found == codes.end() ? 0 : found->second;
}

void FakeInput::log(std::string line) {
    events.push_back(std::move(line));
    if (onEvent)
        onEvent();
}

void FakeInput::keyEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags) {
    log("key " + hex(virtualKey, 2) + " " + hex(scanCode, 2) + " " + std::to_string(flags));
}

void FakeInput::mouseEvent(std::uint32_t flags, std::int32_t dx, std::int32_t dy) {
    log("mouse " + hex(flags, 4) + " " + std::to_string(dx) + " " + std::to_string(dy));
}

void FakeInput::setCursorPos(std::int32_t x, std::int32_t y) {
    log("cursor " + std::to_string(x) + " " + std::to_string(y));
}

std::uint32_t FakeInput::virtualKeyToScanCode(std::uint32_t virtualKey) {
    const auto found = scanCodeOverrides.find(virtualKey);
    return found != scanCodeOverrides.end() ? found->second : usScanCode(virtualKey);
}

std::uint16_t FakeInput::characterToKeyCode(char character) {
    const auto found = keyCodeOverrides.find(character);
    return found != keyCodeOverrides.end() ? found->second : usKeyCode(character);
}

std::int16_t FakeInput::keyState(std::uint8_t virtualKey) {
    return table[virtualKey] & 1;
}

platform::KeyboardState FakeInput::keyboardState() {
    return table;
}

void FakeInput::setKeyboardState(const platform::KeyboardState& state) {
    std::string line = "state";
    for (std::size_t i = 0; i < state.size(); ++i) {
        if (state[i] != table[i])
            line += " " + hex(static_cast<std::uint32_t>(i), 2) + "=" + hex(state[i], 2);
    }
    table = state;
    log(line);
}

void FakeInput::windowCommand(platform::WindowHandle window, std::uint32_t command) {
    log("window " + hex(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window)), 1) +
        " " + hex(command, 4));
}

void FakeInput::drainKeyboardMessages() {
    log("drain");
}

std::vector<std::string> FakeInput::eventsWithoutDrains() const {
    std::vector<std::string> result;
    for (const std::string& line : events) {
        if (line != "drain")
            result.push_back(line);
    }
    return result;
}

}  // namespace fakes
