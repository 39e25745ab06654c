#include "support/FileCompare.h"

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
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
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(fileName, error);
    return std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

class ReadOnlyFile {
  public:
    explicit ReadOnlyFile(const std::string& name) : in_(name, std::ios::binary) {}

    bool isOpen() const { return in_.is_open(); }
    // Up to size bytes; fewer only at the end of the file; -1 on a failed read.
    std::int64_t read(std::uint8_t* buffer, std::size_t size) {
        in_.read(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(size));
        if (in_.bad())
            return -1;
        return static_cast<std::int64_t>(in_.gcount());
    }

  private:
    std::ifstream in_;
};

}  // namespace

std::int64_t FileSizeOf(const std::string& fileName) {
    if (fileName.empty() || isHidden(fileName))
        return -1;
    std::error_code error;
    if (!std::filesystem::is_regular_file(fileName, error))
        return -1;
    const std::uintmax_t size = std::filesystem::file_size(fileName, error);
    return error ? -1 : static_cast<std::int64_t>(size);
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
    std::int64_t count;
    do {
        count = a.read(bufferA->data(), BlockSize);
        // A read that fails proves nothing equal.
        if (count < 0)
            same = false;
        if (count > 0) {
            const std::int64_t countA = count;
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
    } while (count == static_cast<std::int64_t>(BlockSize));
    return same;
}

}  // namespace support
