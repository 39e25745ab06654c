#include "support/DebugVar.h"

namespace support {

bool DebugTrace = false;
std::string LogFileName = "debug.log";

}  // namespace support
