#pragma once
// A run's hold on its output directory while it gives images their names there and checks them:
// another run of this program into the same directory waits for it, so that one run never
// replaces another's images before that run has checked them. The lock is taken on the directory
// itself, which makes no file in the user's folder, and the kernel drops it however the run ends.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace platform {

class DirectoryLock {
  public:
    // Waits until no other run holds `directory`; a signal that ends the run ends it also while
    // it waits. A directory that cannot be locked (a file system without such locks) is not
    // waited for: the check at the run's end still tells a replaced image.
    // `whileWaiting` is called once, before the wait, when another run holds it.
    DirectoryLock(const std::string& directory, const std::function<void()>& whileWaiting = {});
    ~DirectoryLock();
    DirectoryLock(const DirectoryLock&) = delete;
    DirectoryLock& operator=(const DirectoryLock&) = delete;

  private:
    int fd_ = -1;
};

// Which file a name holds, told apart from any other file: its device and inode.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The file the name `path` itself holds (a symbolic link is not followed); none when there is
// none.
std::optional<FileIdentity> identityOf(const std::string& path);

}  // namespace platform
