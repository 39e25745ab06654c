#pragma once
// The command line as one text, base names of files, and whether a directory exists.
#include <string>
#include <vector>

namespace support {

// The parameters (without the program's own name) joined by single blanks, no blank at either
// end; empty parameters are skipped the way a quoted empty word is skipped when a command line is
// split.
std::string CommandLineText(const std::vector<std::string>& parameters);

// True when a directory of that name exists (the empty name never does).
bool DirectoryExists(const std::string& path);

// The file name without its directory and without its last extension.
std::string BaseFileName(const std::string& path);

}  // namespace support
