#include "app/CommandLine.h"

#include <cctype>

#include "platform/Dialogs.h"
#include "platform/SilentDialogs.h"
#include "support/Convert.h"
#include "support/Files.h"

namespace app {

const char* const UsageMessage =
    "Convert PowerPoint slides to JPEGs or Bit Maps\r\n"
    "\r\n"
    "deckshot <PowerPoint file> [/s:n1-n2] [/d:Directory] [/bmp]\r\n"
    "\r\n"
    "Where\r\n"
    "      /s specifies slides to convert - default = All\r\n"
    "         if n2 is not specified then only slide n1 will be converted\r\n"
    "      /d specifies the output directory\r\n"
    "      /bmp will produce Bit Maps";

namespace {

std::string lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// One flag; an invalid one is reported and marks the whole command line refused.
void readFlag(const std::string& token, const std::string& commandLine, platform::Dialogs& dialogs,
              CommandLineRequest& into) {
    // Only the first letter decides; the character after it (normally ":") is skipped unread.
    const char letter = token.empty()
                            ? '\0'
                            : static_cast<char>(std::tolower(static_cast<unsigned char>(token[0])));
    const std::string value = token.size() > 2 ? Trim(token.substr(2)) : std::string();
    if (letter == 'd') {
        into.outputDir = value;
    } else if (letter == 's') {
        into.someSlides = true;
        const std::size_t dash = value.find('-');
        if (dash != std::string::npos) {
            into.firstSlide = support::StrToInt(Trim(value.substr(0, dash)));
            into.lastSlide = support::StrToInt(Trim(value.substr(dash + 1)));
        } else {
            // A single number converts that slide alone, as the usage message promises.
            into.firstSlide = into.lastSlide = support::StrToInt(value);
        }
        into.firstPosition = SlidePosition(*into.firstSlide);
        into.lastPosition = SlidePosition(*into.lastSlide);
    } else if (!token.empty() && lowered(Trim(token)) == "bmp") {
        into.formatOverride = "bmp";
    } else {
        // An empty flag (the command line ends with "/") is as invalid as any unknown one.
        dialogs.message("Error: Invalid flag \"/" + token + "\" in " + commandLine);
        into.action = CommandLineRequest::Action::Refused;
    }
}

void applyOptions(const Options& options, CommandLineRequest& into) {
    if (options.directory)
        into.outputDir = *options.directory;
    if (options.slides) {
        into.someSlides = true;
        into.firstSlide = options.slides->first;
        into.lastSlide = options.slides->last;
        into.firstPosition = SlidePosition(options.slides->first);
        into.lastPosition = SlidePosition(options.slides->last);
    }
    if (options.format)
        into.formatOverride = *options.format;
}

}  // namespace

std::vector<std::string> CommandLineTokens(const std::vector<std::string>& words,
                                           std::size_t literalFrom) {
    std::vector<std::string> tokens;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word.empty())
            continue;
        if (tokens.empty()) {
            tokens.push_back(word);
        } else if (i < literalFrom && word.front() == '/') {
            tokens.back() += ' ';
            const std::size_t start = word.find_first_not_of('/');
            tokens.push_back(start == std::string::npos ? std::string() : word.substr(start));
        } else {
            tokens.back() += ' ' + word;
        }
    }
    return tokens;
}

int SlidePosition(std::int64_t slide) {
    const std::int64_t position = slide - 1;
    return position >= 0 && position < SlideBoxItems ? static_cast<int>(position) : -1;
}

void ReadCommandLine(const Options& options, platform::Dialogs& dialogs, CommandLineRequest& into) {
    const std::string commandLine = support::CommandLineText(options.parameters);
    if (commandLine.empty())
        return;
    if (commandLine == "?") {
        dialogs.message(UsageMessage);
        into.action = CommandLineRequest::Action::Usage;
        return;
    }
    const std::vector<std::string> tokens =
        CommandLineTokens(options.parameters, options.literalFrom);
    into.fileName = Trim(tokens.front());
    for (std::size_t i = 1; i < tokens.size(); ++i) readFlag(tokens[i], commandLine, dialogs, into);
    applyOptions(options, into);
    if (into.action != CommandLineRequest::Action::Refused)
        into.action = CommandLineRequest::Action::Convert;
}

std::string Trim(const std::string& text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
    return text.substr(first, last - first);
}

std::string DirectoryPart(const std::string& fileName) {
    const std::size_t slash = fileName.find_last_of('/');
    if (slash == std::string::npos)
        return std::string();
    if (slash == 0)
        return "/";
    return fileName.substr(0, slash);
}

}  // namespace app

namespace app {

namespace {

// Keeps what a reading says, to be shown later by whoever shows the run's messages.
class RecordingDialogs : public platform::SilentDialogs {
  public:
    explicit RecordingDialogs(std::vector<std::string>& messages) : messages_(messages) {}
    void message(const std::string& text) override { messages_.push_back(text); }

  private:
    std::vector<std::string>& messages_;
};

}  // namespace

CommandLineReading ReadCommandLineOnce(const Options& options) {
    CommandLineReading reading;
    RecordingDialogs recording(reading.messages);
    try {
        ReadCommandLine(options, recording, reading.request);
    } catch (...) {
        reading.failure = std::current_exception();
    }
    return reading;
}

void ShowCommandLine(const Options& options, platform::Dialogs& dialogs, CommandLineRequest& into) {
    const CommandLineReading reading =
        options.reading ? *options.reading : ReadCommandLineOnce(options);
    for (const std::string& text : reading.messages) dialogs.message(text);
    into = reading.request;
    if (reading.failure)
        std::rethrow_exception(reading.failure);
}

}  // namespace app
