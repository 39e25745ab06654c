#include "app/StagingFolder.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace pptprocs {

namespace fs = std::filesystem;

StagingFolder::StagingFolder(const std::string& directory) {
    platform::reclaimLeftovers(directory, Prefix);
    std::string pattern = directory + "/" + Prefix + platform::ownerMark() + "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::system_error(errno, std::generic_category());
    path_ = pattern;
    cleanup_ = platform::CleanupEntry::path(path_);
}

StagingFolder::~StagingFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string MoveBesideWithoutReplacing(const std::string& from, const std::string& directory,
                                       const std::string& stem, const std::string& extension) {
    for (int n = 1; n <= 100; ++n) {
        const std::string name = n == 1 ? stem : stem + " (" + std::to_string(n) + ")";
        const std::string to = directory + "/" + name + "." + extension;
        // A link fails on an existing name, where a rename would replace it.
        if (::link(from.c_str(), to.c_str()) == 0) {
            ::unlink(from.c_str());
            return to;
        }
        if (errno != EEXIST)
            return "";
    }
    return "";
}

}  // namespace pptprocs
