#include "app/CommandLine.h"

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
