#include "tests/fakes/FakeDialogs.h"

namespace fakes {

void FakeDialogs::message(const std::string& text) {
    shown.push_back({"message", platform::ApplicationTitle, text});
}

void FakeDialogs::messageWithCaption(const std::string& caption, const std::string& text) {
    shown.push_back({"message", caption, text});
}

bool FakeDialogs::askYesNo(const std::string& text) {
    shown.push_back({"question", platform::ApplicationTitle, text});
    if (yesNoAnswers.empty())
        return true;
    const bool answer = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return answer;
}

std::optional<std::string> FakeDialogs::inputBox(const std::string& caption,
                                                 const std::string& prompt,
                                                 const std::string& prefilled) {
    shown.push_back({"input", caption, prompt});
    inputPrefills.push_back(prefilled);
    if (inputAnswers.empty())
        return std::nullopt;
    const std::optional<std::string> answer = inputAnswers.front();
    inputAnswers.pop_front();
    return answer;
}

std::optional<std::string> FakeDialogs::openFile(const std::vector<platform::FileFilter>& filters) {
    shown.push_back({"open", "", ""});
    lastOpenFilters.clear();
    for (const platform::FileFilter& filter : filters) {
        std::string entry = filter.name + "|";
        for (std::size_t i = 0; i < filter.patterns.size(); ++i)
            entry += (i == 0 ? "" : " ") + filter.patterns[i];
        lastOpenFilters.push_back(entry);
    }
    if (openAnswers.empty())
        return std::nullopt;
    const std::optional<std::string> answer = openAnswers.front();
    openAnswers.pop_front();
    return answer;
}

std::vector<std::string> FakeDialogs::texts() const {
    std::vector<std::string> all;
    for (const ShownBox& box : shown) all.push_back(box.text);
    return all;
}

}  // namespace fakes
