#pragma once
// The virtual-key codes and keyboard-event flags of the Windows calls the key engine was designed
// on; the key engine sends them and the X11 injection reads them.
#include <cstdint>

namespace platform {

inline constexpr std::uint8_t VkReturn = 0x0D;
inline constexpr std::uint8_t VkShift = 0x10;
inline constexpr std::uint8_t VkControl = 0x11;
inline constexpr std::uint8_t VkAlt = 0x12;
inline constexpr std::uint8_t VkCapsLock = 0x14;
inline constexpr std::uint8_t VkSnapshot = 0x2C;  // Print Screen
inline constexpr std::uint8_t VkNumLock = 0x90;
inline constexpr std::uint8_t VkScrollLock = 0x91;

// keybd_event flags: a key goes down with 0, up with KeyUpFlag; ExtendedKeyFlag marks the keys
// of the extended set.
inline constexpr std::uint32_t KeyDownFlag = 0;
inline constexpr std::uint32_t ExtendedKeyFlag = 1;
inline constexpr std::uint32_t KeyUpFlag = 2;

}  // namespace platform
