#pragma once
// The names a key string may use in braces: keys and the commands of the key engine.
#include <array>
#include <cstdint>
#include <string>

namespace keys {

struct KeyName {
    const char* Name;
    std::uint8_t Code;  // a virtual key, or CommandCode
};

// Marks a table entry that RunKeyCommand carries out; never sent as a key.
inline constexpr std::uint8_t CommandCode = 1;
// "No key" in the VkKeyScanA form of key codes.
inline constexpr std::uint16_t NoKey = 0xFFFF;

// Sorted by byte-wise comparison of the names: the look-up is a binary search over it.
extern const std::array<KeyName, 62> KeyNameTable;

// The code of the entry named exactly `name` (already upper-cased), or NoKey.
std::uint16_t FindKeyName(const std::string& name);

}  // namespace keys
