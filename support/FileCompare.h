#pragma once
// File sizes and byte-for-byte comparison of image files.
#include <cstdint>
#include <string>

namespace support {

// Size in bytes of a plain file; -1 when there is none of that name, when the name is a
// directory, and for hidden (dot) files.
std::int64_t FileSizeOf(const std::string& fileName);

// True when both files exist, have the same size and the same bytes. Never keeps a file open.
bool SameFileContents(const std::string& first, const std::string& second);

}  // namespace support
