#pragma once
// The boxes of a quiet run: problems and questions as the boxes beneath show them, but no
// notice of what a run is about to do and no progress.
#include "platform/Dialogs.h"

namespace platform {

class QuietDialogs : public Dialogs {
  public:
    explicit QuietDialogs(Dialogs& shown) : shown_(shown) {}

    void message(const std::string& text) override { shown_.message(text); }
    void notice(const std::string&) override {}
    void progress(const std::string&) override {}
    void messageWithCaption(const std::string& caption, const std::string& text) override {
        shown_.messageWithCaption(caption, text);
    }
    bool askYesNo(const std::string& text) override { return shown_.askYesNo(text); }
    std::optional<std::string> inputBox(const std::string& caption, const std::string& prompt,
                                        const std::string& prefilled) override {
        return shown_.inputBox(caption, prompt, prefilled);
    }
    std::optional<std::string> openFile(const std::vector<FileFilter>& filters) override {
        return shown_.openFile(filters);
    }

  private:
    Dialogs& shown_;
};

}  // namespace platform
