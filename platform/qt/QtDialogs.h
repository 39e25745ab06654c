#pragma once
// The boxes of the program as Qt Widgets dialogs, each modal over the active window.
#include "platform/Dialogs.h"

class QString;

namespace platform {

class QtDialogs : public Dialogs {
  public:
    void message(const std::string& text) override;
    void messageWithCaption(const std::string& caption, const std::string& text) override;
    bool askYesNo(const std::string& text) override;
    std::optional<std::string> inputBox(const std::string& caption, const std::string& prompt,
                                        const std::string& prefilled) override;
    std::optional<std::string> openFile(const std::vector<FileFilter>& filters) override;

    // Message texts break lines with CR LF or LF CR; Qt wants LF alone.
    static QString displayText(const std::string& text);
    // The filters as Qt's file dialogs take them.
    static QString filterText(const std::vector<FileFilter>& filters);
};

}  // namespace platform
