#pragma once
// The images a run gave their names in its output directory, and whether each name still holds
// the file this run put there when the run ends. From just before the first name is given until
// that check the run holds the directory (platform::DirectoryLock): another run of this program
// waits before it names its own images there, so only a program that does not wait can replace
// them meanwhile, and the check tells when one did.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/DirectoryLock.h"

namespace app {

class NamedImages {
  public:
    // Told once, with the directory, when another run holds it and this one has to wait.
    void whenWaiting(std::function<void(const std::string&)> notice) {
        waitNotice_ = std::move(notice);
    }
    // Before an image takes a name in `directory`: the first call waits for the directory.
    void beforeNaming(const std::string& directory);
    // `path` now holds an image of this run, also when it held one before (a capture taken
    // anew).
    void named(const std::string& path);
    // The names that no longer hold the image this run put there, in the order they were first
    // given; the directory is free for other runs again.
    std::vector<std::string> checkAndRelease();

  private:
    std::function<void(const std::string&)> waitNotice_;
    std::unique_ptr<platform::DirectoryLock> lock_;
    std::vector<std::pair<std::string, std::optional<platform::FileIdentity>>> images_;
};

}  // namespace app
