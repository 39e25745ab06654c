#pragma once
// Opening a document with the program the desktop associates with its type.
#include <string>

namespace platform {

// Result codes in the shell's convention: above 32 means the request was handed on.
inline constexpr int ShellOk = 42;
inline constexpr int ShellFileNotFound = 2;
inline constexpr int ShellNoAssociation = 31;

class Shell {
  public:
    virtual ~Shell() = default;
    virtual int open(const std::string& file, const std::string& parameters,
                     const std::string& directory, int showCommand) = 0;
};

}  // namespace platform
