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
    std::optional<std::string> openFile(const std::string& filterName,
                                        const std::string& pattern) override;

    // Message texts break lines with CR LF or LF CR; Qt wants LF alone.
    static QString displayText(const std::string& text);
};

}  // namespace platform
