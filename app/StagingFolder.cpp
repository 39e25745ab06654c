#include "app/StagingFolder.h"

#include <system_error>

#include "platform/FileSystem.h"

namespace app {

StagingFolder::StagingFolder(const std::string& directory) : folder_(directory, Prefix) {}

std::string MoveBesideWithoutReplacing(const std::string& from, const std::string& directory,
                                       const std::string& stem, const std::string& extension) {
    for (int n = 1; n <= 100; ++n) {
        const std::string name = n == 1 ? stem : stem + " (" + std::to_string(n) + ")";
        const std::string to = directory + "/" + name + "." + extension;
        const std::error_code error = platform::MoveWithoutReplacing(from, to);
        if (!error)
            return to;
        if (error != std::errc::file_exists)
            return "";
    }
    return "";
}

}  // namespace app
