#include "support/FileCompare.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <memory>

namespace support {
namespace {

constexpr std::size_t BlockSize = 4096;

bool isHidden(const std::string& fileName) {
    const std::size_t slash = fileName.find_last_of('/');
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    return start < fileName.size() && fileName[start] == '.';
}

// A file exists for the comparison when its name is anything but a directory (hidden included).
bool existsAsFile(const std::string& fileName) {
    struct stat info {};
    return ::stat(fileName.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

class ReadOnlyFile {
  public:
    explicit ReadOnlyFile(const std::string& name)
        : fd_(::open(name.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~ReadOnlyFile() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    // Up to size bytes; fewer only at the end of the file; -1 on a failed read.
    ssize_t read(std::uint8_t* buffer, std::size_t size) {
        std::size_t got = 0;
        while (got < size) {
            const ssize_t n = ::read(fd_, buffer + got, size - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return -1;
            if (n == 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        return static_cast<ssize_t>(got);
    }

  private:
    int fd_;
};

}  // namespace

std::int64_t FileSizeOf(const std::string& fileName) {
    struct stat info {};
    if (fileName.empty() || isHidden(fileName))
        return -1;
    if (::stat(fileName.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return -1;
    return static_cast<std::int64_t>(info.st_size);
}

bool SameFileContents(const std::string& first, const std::string& second) {
    if (!existsAsFile(first) || !existsAsFile(second))
        return false;
    if (FileSizeOf(first) != FileSizeOf(second))
        return false;

    ReadOnlyFile a(first);
    ReadOnlyFile b(second);
    if (!a.isOpen() || !b.isOpen())
        return false;

    auto bufferA = std::make_unique<std::array<std::uint8_t, BlockSize>>();
    auto bufferB = std::make_unique<std::array<std::uint8_t, BlockSize>>();
    bool same = true;
    ssize_t count;
    do {
        count = a.read(bufferA->data(), BlockSize);
        // A read that fails proves nothing equal.
        if (count < 0)
            same = false;
        if (count > 0) {
            const ssize_t countA = count;
            count = b.read(bufferB->data(), BlockSize);
            if (count < 0)
                same = false;
            // A second file that ends early (it changed under us) is not the same file.
            if (count != countA)
                same = false;
            if (count > 0 && std::memcmp(bufferA->data(), bufferB->data(),
                                         static_cast<std::size_t>(count)) != 0) {
                same = false;
            }
        }
    } while (count == static_cast<ssize_t>(BlockSize));
    return same;
}

}  // namespace support
