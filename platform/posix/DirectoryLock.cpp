#include "platform/DirectoryLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace platform {

namespace {

// Asked again every few milliseconds rather than waited for in the kernel: the run never sits in
// a call that only the other run's end would return from, and a signal still ends it at once.
constexpr std::chrono::milliseconds LockPoll(20);

}  // namespace

DirectoryLock::DirectoryLock(const std::string& directory,
                             const std::function<void()>& whileWaiting) {
    fd_ = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0)
        return;
    bool toldWaiting = false;
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) {
            if (whileWaiting && !toldWaiting) {
                toldWaiting = true;
                whileWaiting();
            }
            std::this_thread::sleep_for(LockPoll);
        } else if (errno != EINTR) {
            ::close(fd_);
            fd_ = -1;
            return;
        }
    }
}

DirectoryLock::~DirectoryLock() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::optional<FileIdentity> identityOf(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                        static_cast<std::uint64_t>(info.st_ino)};
}

}  // namespace platform
