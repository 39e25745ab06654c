#pragma once
// The log switch and the log file name, shared by the keystroke engine and the log writer.
#include <string>

namespace support {

// Trace lines of the keystroke engine are written only while this is on; nothing switches it off.
extern bool DebugTrace;
// Relative, so the log lands in the process's current directory at the time of writing.
extern std::string LogFileName;

}  // namespace support
