#pragma once
// Records every box the program shows and answers questions from a script.
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Dialogs.h"

namespace fakes {

struct ShownBox {
    std::string kind;  // "message", "question", "input", "open"
    std::string caption;
    std::string text;
};

class FakeDialogs : public platform::Dialogs {
  public:
    void message(const std::string& text) override;
    void messageWithCaption(const std::string& caption, const std::string& text) override;
    bool askYesNo(const std::string& text) override;
    std::optional<std::string> inputBox(const std::string& caption, const std::string& prompt,
                                        const std::string& prefilled) override;
    std::optional<std::string> openFile(const std::vector<platform::FileFilter>& filters) override;
    void progress(const std::string& text) override {
        progressTexts.push_back(text);
        if (onProgress)
            onProgress(text);
    }

    // Texts of all boxes, in order.
    std::vector<std::string> texts() const;

    std::vector<ShownBox> shown;
    std::vector<std::string> progressTexts;  // in order; "" where a progress display ended
    std::function<void(const std::string&)> onProgress;
    std::deque<bool> yesNoAnswers;                        // empty: answer Yes
    std::deque<std::optional<std::string>> inputAnswers;  // nullopt or empty queue: cancel
    std::deque<std::optional<std::string>> openAnswers;   // empty: cancel
    std::vector<std::string> inputPrefills;
    // The file-open dialog's filters, the last time it was shown: "name|*.a *.b" each.
    std::vector<std::string> lastOpenFilters;
};

}  // namespace fakes
