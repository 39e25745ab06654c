#include "app/StagingFolder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace app {

StagingFolder::StagingFolder(const std::string& directory) : folder_(directory, Prefix) {}

namespace {

// Fails with EEXIST on an existing name, where a plain rename would replace it. File systems
// without that kind of rename (NFS) get a hard link instead; those without hard links (FAT,
// as on USB sticks) have the rename.
bool moveWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    if (::link(from.c_str(), to.c_str()) != 0)
        return false;
    ::unlink(from.c_str());
    return true;
}

}  // namespace

std::string MoveBesideWithoutReplacing(const std::string& from, const std::string& directory,
                                       const std::string& stem, const std::string& extension) {
    for (int n = 1; n <= 100; ++n) {
        const std::string name = n == 1 ? stem : stem + " (" + std::to_string(n) + ")";
        const std::string to = directory + "/" + name + "." + extension;
        if (moveWithoutReplacing(from, to))
            return to;
        if (errno != EEXIST)
            return "";
    }
    return "";
}

}  // namespace app
