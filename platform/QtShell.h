#pragma once
// Opens a document through the desktop's associations (xdg-open behind Qt), never through a
// shell command string.
#include "platform/Shell.h"

namespace platform {

class QtShell : public Shell {
  public:
    int open(const std::string& file, const std::string& parameters, const std::string& directory,
             int showCommand) override;
};

}  // namespace platform
