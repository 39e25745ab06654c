#include "support/Files.h"

#include <filesystem>

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
    std::error_code error;
    return std::filesystem::is_directory(path, error);
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
