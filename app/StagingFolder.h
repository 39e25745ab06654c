#pragma once
// The private folder that the office exports a run's images into: inside the output directory,
// so that each image reaches its final name by one atomic rename on the same file system, and
// named so that only this program uses such names and the owner can be told (the run's mark).
// It is removed on every way out, also when a signal ends the run; one that a killed run left
// behind is removed by the next run into the same directory.
#include <string>

#include "platform/RunCleanup.h"

namespace app {

class StagingFolder {
  public:
    static constexpr const char* Prefix = ".deckshot-staging-";

    // Throws std::system_error with the OS's reason when the folder cannot be made.
    explicit StagingFolder(const std::string& directory);
    ~StagingFolder();
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    const std::string& path() const { return path_; }

  private:
    std::string path_;
    platform::CleanupEntry cleanup_;
};

// Moves `from` into `directory` under `stem` + "." + extension, or, when that name is taken,
// stem + " (2)", " (3)" ...: never over an existing file. Returns the new path, or "" when no
// name could be had.
std::string MoveBesideWithoutReplacing(const std::string& from, const std::string& directory,
                                       const std::string& stem, const std::string& extension);

}  // namespace app
