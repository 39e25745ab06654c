#include "keys/KeyNames.h"

#include <algorithm>
#include <cstring>

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

std::uint16_t FindKeyName(const std::string& name) {
    const auto* first = KeyNameTable.begin();
    const auto* last = KeyNameTable.end();
    const auto* found =
        std::lower_bound(first, last, name, [](const KeyName& entry, const std::string& wanted) {
            return std::strcmp(entry.Name, wanted.c_str()) < 0;
        });
    // A NUL inside the name can never match: the table's names have none.
    if (found != last && name.find('\0') == std::string::npos && name == found->Name)
        return found->Code;
    return NoKey;
}

}  // namespace keys
