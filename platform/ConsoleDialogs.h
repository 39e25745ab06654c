#pragma once
// Dialogs for a run without a display: messages go to standard error; a question is asked on the
// terminal when standard input is one, and otherwise answered so that the run goes on. Nothing
// here can block on a box nobody sees. Progress shows on one line that is rewritten, and only
// when the output is a terminal: a log file gets the messages alone.
#include <cstdio>

#include "platform/Dialogs.h"

namespace platform {

class ConsoleDialogs : public Dialogs {
  public:
    // The streams are parameters so that tests can drive the prompts; without an input stream
    // every question takes the answer that lets the run go on.
    ConsoleDialogs(std::FILE* in = stdin, std::FILE* out = stderr);

    void message(const std::string& text) override;
    void messageWithCaption(const std::string& caption, const std::string& text) override;
    bool askYesNo(const std::string& text) override;
    std::optional<std::string> inputBox(const std::string& caption, const std::string& prompt,
                                        const std::string& prefilled) override;
    std::optional<std::string> openFile(const std::vector<FileFilter>& filters) override;
    void progress(const std::string& text) override;

  private:
    bool interactive() const;
    // Ends a progress line still standing, so that what follows starts on a line of its own.
    void endProgressLine();
    std::optional<std::string> readAnswer();

    std::FILE* in_;
    std::FILE* out_;
    bool progressShown_ = false;
};

}  // namespace platform
