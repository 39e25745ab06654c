#pragma once
// The user-facing boxes of the program: plain messages, Yes/No questions, the input prompt and
// the file-open dialog. Behind one interface so that a run without a display (console) and the
// tests (scripted answers) can stand in for the real windows.
#include <optional>
#include <string>
#include <vector>

namespace platform {

// One entry of a file-open dialog's type list: its name and the patterns it shows.
struct FileFilter {
    std::string name;                   // "PowerPoint"
    std::vector<std::string> patterns;  // "*.ppt", "*.pptx", ...
};

class Dialogs {
  public:
    virtual ~Dialogs() = default;

    // A plain message box with an OK button, captioned with the application title.
    virtual void message(const std::string& text) = 0;
    // A message that needs no answer and reports no problem: what a run is about to do.
    virtual void notice(const std::string& text) { message(text); }
    // The state of a long job ("Exported slide 3 of 12"); an empty text ends it. A box has no
    // place for it (the window's caption shows it), so by default it goes nowhere.
    virtual void progress(const std::string& /*text*/) {}
    // A plain message box with a caption of the caller's choosing.
    virtual void messageWithCaption(const std::string& caption, const std::string& text) = 0;
    // A Yes/No confirmation box; true for Yes.
    virtual bool askYesNo(const std::string& text) = 0;
    // An input prompt with a prefilled answer; nothing when the user cancels it.
    virtual std::optional<std::string> inputBox(const std::string& caption,
                                                const std::string& prompt,
                                                const std::string& prefilled) = 0;
    // A file-open dialog whose type list holds `filters`, the first one chosen; nothing on
    // cancel.
    virtual std::optional<std::string> openFile(const std::vector<FileFilter>& filters) = 0;
};

// The caption of every plain message box.
inline constexpr const char* ApplicationTitle = "Convert PPT to jpg, bmp or gif files ";

}  // namespace platform
