#include "support/OpenWithDesktop.h"

#include "platform/Shell.h"

namespace support {

namespace {
constexpr int ShellBadFormat = 11;  // the shell's code for a request it cannot take
}

int ExecuteFile(platform::Shell& shell, const std::string& fileName, const std::string& parameters,
                const std::string& defaultDirectory, int showCommand) {
    if (fileName.size() > MaxShellText || parameters.size() > MaxShellText ||
        defaultDirectory.size() > MaxShellText) {
        return ShellBadFormat;
    }
    return shell.open(fileName, parameters, defaultDirectory, showCommand);
}

}  // namespace support
