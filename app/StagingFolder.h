#pragma once
// The private folder that the office exports a run's images into: inside the output directory,
// so that each image reaches its final name by one atomic rename on the same file system. The
// run holds its lock for as long as it lives (platform::OwnedFolder); it is removed on every way
// out, also when a signal ends the run, and one that a killed run left behind is reclaimed by the
// next run into the same directory.
#include <string>

#include "platform/OwnedFolder.h"

namespace app {

class StagingFolder {
  public:
    static constexpr const char* Prefix = platform::StagingPrefix;

    // Throws std::system_error with the OS's reason when the folder cannot be made.
    explicit StagingFolder(const std::string& directory);

    const std::string& path() const { return folder_.path(); }

  private:
    platform::OwnedFolder folder_;
};

// Moves `from` into `directory` under `stem` + "." + extension, or, when that name is taken,
// stem + " (2)", " (3)" ...: never over an existing file. Returns the new path, or "" when no
// name could be had.
std::string MoveBesideWithoutReplacing(const std::string& from, const std::string& directory,
                                       const std::string& stem, const std::string& extension);

}  // namespace app
