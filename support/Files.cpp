#include "support/Files.h"

#include <sys/stat.h>

namespace support {

std::string CommandLineText(const std::vector<std::string>& parameters) {
    std::string text;
    for (const std::string& parameter : parameters) {
        if (parameter.empty())
            continue;
        if (!text.empty())
            text += ' ';
        text += parameter;
    }
    return text;
}

bool DirectoryExists(const std::string& path) {
    if (path.empty())
        return false;
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string BaseFileName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

}  // namespace support
