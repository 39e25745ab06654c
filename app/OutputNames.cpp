#include "app/OutputNames.h"

#include <cctype>

#include "platform/Automation.h"
#include "support/TextUtil.h"

namespace app {

int NumberWidth(int slideCount) {
    return static_cast<int>(std::to_string(slideCount < 0 ? 0 : slideCount).size());
}

std::string OutputFileName(const std::string& directory, const std::string& pattern, int slide,
                           int numberWidth, const std::string& extension,
                           const std::string& literalPrefix) {
    const std::string number =
        support::RightJustify("000000000" + std::to_string(slide), numberWidth);
    std::size_t literal = 0;
    if (!literalPrefix.empty() && pattern.rfind(literalPrefix, 0) == 0 &&
        pattern.find('#', literalPrefix.size()) != std::string::npos)
        literal = literalPrefix.size();
    return directory + "/" + pattern.substr(0, literal) +
           support::ChangeStr(pattern.substr(literal), number, "#") + "." + extension;
}

std::optional<ExportFormat> FindExportFormat(const std::string& formatWord) {
    static const ExportFormat known[] = {
        {platform::SaveAsJpeg, "jpg"},
        {platform::SaveAsBmp, "bmp"},
        {platform::SaveAsGif, "gif"},
        {platform::SaveAsPng, "png"},
    };
    std::string word = formatWord;
    for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const ExportFormat& format : known) {
        if (format.extension == word)
            return format;
    }
    return std::nullopt;
}

ExportFormat ExportFormatFor(const std::string& formatWord) {
    const std::optional<ExportFormat> format = FindExportFormat(formatWord);
    if (!format)
        throw UnknownFormatError(UnknownFormatMessage(formatWord));
    return *format;
}

std::string UnknownFormatMessage(const std::string& formatWord) {
    return "Error: Unknown image format \"" + formatWord + "\"";
}

}  // namespace app
