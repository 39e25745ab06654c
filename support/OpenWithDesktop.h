#pragma once
// Opening a document with the program the desktop associates with its type.
#include <string>

namespace platform {
class Shell;
}

namespace support {

// Texts longer than this are refused (the shell call takes fixed-size copies of them).
inline constexpr std::size_t MaxShellText = 256;

// The shell's result code: above 32 when the document was handed on.
int ExecuteFile(platform::Shell& shell, const std::string& fileName, const std::string& parameters,
                const std::string& defaultDirectory, int showCommand);

}  // namespace support
