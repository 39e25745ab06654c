#pragma once
// The trace switch under its former name, for the X11 test that still sets it.
namespace support {

inline bool DebugTrace = false;

}  // namespace support
