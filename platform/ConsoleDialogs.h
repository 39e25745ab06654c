#pragma once
// Dialogs for a run without a display: messages go to standard error; a question is asked on the
// terminal when standard input is one, and otherwise answered so that the run goes on. Nothing
// here can block on a box nobody sees.
#include <cstdio>

#include "platform/Dialogs.h"

namespace platform {

class ConsoleDialogs : public Dialogs {
  public:
    // The streams are parameters so that tests can drive the prompts.
    ConsoleDialogs(std::FILE* in = stdin, std::FILE* out = stderr);

    void message(const std::string& text) override;
    void messageWithCaption(const std::string& caption, const std::string& text) override;
    bool askYesNo(const std::string& text) override;
    std::optional<std::string> inputBox(const std::string& caption, const std::string& prompt,
                                        const std::string& prefilled) override;
    std::optional<std::string> openFile(const std::string& filterName,
                                        const std::string& pattern) override;

  private:
    bool interactive() const;
    std::optional<std::string> readAnswer();

    std::FILE* in_;
    std::FILE* out_;
};

}  // namespace platform
