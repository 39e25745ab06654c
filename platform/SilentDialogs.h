#pragma once
// Boxes nobody sees, answering nothing: the base of dialogs that only keep what they are told.
#include "platform/Dialogs.h"

namespace platform {

class SilentDialogs : public Dialogs {
  public:
    void message(const std::string&) override {}
    void messageWithCaption(const std::string&, const std::string&) override {}
    bool askYesNo(const std::string&) override { return false; }
    std::optional<std::string> inputBox(const std::string&, const std::string&,
                                        const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> openFile(const std::vector<FileFilter>&) override {
        return std::nullopt;
    }
};

}  // namespace platform
