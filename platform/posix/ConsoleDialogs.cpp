#include "platform/ConsoleDialogs.h"

#include <unistd.h>

#include <cctype>

namespace platform {
namespace {

// Message texts break lines with LF CR, as the window boxes expect; a terminal wants LF alone.
std::string forTerminal(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' &&
            (i == 0 || text[i - 1] == '\n' || (i + 1 < text.size() && text[i + 1] == '\n'))) {
            continue;
        }
        out += text[i];
    }
    return out;
}

std::string lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

ConsoleDialogs::ConsoleDialogs(std::FILE* in, std::FILE* out) : in_(in), out_(out) {}

void ConsoleDialogs::message(const std::string& text) {
    endProgressLine();
    std::fprintf(out_, "%s\n", forTerminal(text).c_str());
    std::fflush(out_);
}

void ConsoleDialogs::messageWithCaption(const std::string& caption, const std::string& text) {
    endProgressLine();
    std::fprintf(out_, "%s: %s\n", caption.c_str(), forTerminal(text).c_str());
    std::fflush(out_);
}

bool ConsoleDialogs::askYesNo(const std::string& text) {
    endProgressLine();
    if (!interactive()) {
        std::fprintf(out_, "%s [answered: Yes]\n", forTerminal(text).c_str());
        std::fflush(out_);
        return true;
    }
    for (;;) {
        std::fprintf(out_, "%s [y/n] ", forTerminal(text).c_str());
        std::fflush(out_);
        const std::optional<std::string> answer = readAnswer();
        if (!answer)
            return true;  // end of input: let the run go on
        const std::string word = lowered(*answer);
        if (word == "y" || word == "yes")
            return true;
        if (word == "n" || word == "no")
            return false;
    }
}

std::optional<std::string> ConsoleDialogs::inputBox(const std::string& caption,
                                                    const std::string& prompt,
                                                    const std::string& prefilled) {
    endProgressLine();
    // Nobody can answer: the prompt is left, as by Cancel, so that no caller waits for ever.
    if (!interactive())
        return std::nullopt;
    std::fprintf(out_, "%s: %s [%s] ", caption.c_str(), prompt.c_str(), prefilled.c_str());
    std::fflush(out_);
    const std::optional<std::string> answer = readAnswer();
    if (!answer)
        return std::nullopt;  // end of input
    return answer->empty() ? prefilled : *answer;
}

std::optional<std::string> ConsoleDialogs::openFile(const std::vector<FileFilter>&) {
    return std::nullopt;
}

void ConsoleDialogs::progress(const std::string& text) {
    if (text.empty()) {
        endProgressLine();
        return;
    }
    if (isatty(fileno(out_)) != 1)
        return;
    // Back to the line's start, the new state, the rest of the old one erased.
    std::fprintf(out_, "\r%s\033[K", text.c_str());
    std::fflush(out_);
    progressShown_ = true;
}

void ConsoleDialogs::endProgressLine() {
    if (!progressShown_)
        return;
    std::fputc('\n', out_);
    std::fflush(out_);
    progressShown_ = false;
}

bool ConsoleDialogs::interactive() const {
    return in_ != nullptr && isatty(fileno(in_)) == 1;
}

std::optional<std::string> ConsoleDialogs::readAnswer() {
    std::string line;
    int c;
    while ((c = std::fgetc(in_)) != EOF && c != '\n') line += static_cast<char>(c);
    if (c == EOF && line.empty())
        return std::nullopt;
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
    return line;
}

}  // namespace platform
