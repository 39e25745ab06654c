#include "platform/FileSystem.h"

#include <fcntl.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace platform {

namespace {

std::error_code lastError() {
    return {errno, std::generic_category()};
}

}  // namespace

std::size_t NameLimit(const std::string& directory) {
    const long limit = ::pathconf(directory.c_str(), _PC_NAME_MAX);
    return limit > 0 ? static_cast<std::size_t>(limit) : 0;
}

std::error_code MoveWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return {};
    // File systems without that kind of rename (NFS) get a hard link instead; those without
    // hard links (FAT, as on USB sticks) have the rename.
    if (errno != EINVAL && errno != ENOSYS)
        return lastError();
    if (::link(from.c_str(), to.c_str()) != 0)
        return lastError();
    ::unlink(from.c_str());
    return {};
}

std::optional<AppendFailure> AppendToFile(const std::string& fileName, const std::string& data) {
    const int fd = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return AppendFailure{"cannot open", lastError()};
    std::size_t written = 0;
    while (written < data.size()) {
        const ssize_t n = ::write(fd, data.data() + written, data.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const std::error_code error = lastError();
            ::close(fd);
            return AppendFailure{"cannot write", error};
        }
        written += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0)
        return AppendFailure{"cannot close", lastError()};
    return std::nullopt;
}

TimeOfDay LocalTimeOfDay() {
    timeval now{};
    ::gettimeofday(&now, nullptr);
    std::tm local{};
    ::localtime_r(&now.tv_sec, &local);
    return {local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(now.tv_usec / 1000)};
}

}  // namespace platform
