#include "app/CommandLine.h"

#include <cctype>

#include "platform/Dialogs.h"
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

// Position p (1-based) holds a "/" that begins a word.
bool isFlagSlash(const std::string& text, int p) {
    return p > 1 && text[p - 1] == '/' && text[p - 2] == ' ';
}

}  // namespace

void NextFlagToken(const std::string& text, int& position, std::string& token) {
    token.clear();
    const int n = static_cast<int>(text.size());
    if (position <= 0 || n == 0) {
        position = 0;
        return;
    }
    if (isFlagSlash(text, position)) {
        while (position <= n && text[position - 1] == '/') ++position;
    }
    if (position > n) {
        position = 0;
        return;
    }
    int end = position;
    while (end <= n && !isFlagSlash(text, end)) ++end;
    token = text.substr(position - 1, end - position);
    position = end > n ? 0 : end;
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
    int position = 1;
    std::string token;
    NextFlagToken(commandLine, position, token);
    into.fileName = Trim(token);
    while (position != 0) {
        NextFlagToken(commandLine, position, token);
        readFlag(token, commandLine, dialogs, into);
    }
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
