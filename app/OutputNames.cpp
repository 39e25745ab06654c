#include "app/OutputNames.h"

#include "platform/Automation.h"
#include "support/RexxUtil.h"

namespace pptprocs {

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

ExportFormat ExportFormatFor(const std::string& formatWord) {
    if (formatWord == "bmp")
        return {platform::SaveAsBmp, "bmp"};
    if (formatWord == "gif")
        return {platform::SaveAsGif, "gif"};
    return {platform::SaveAsJpeg, "jpg"};
}

}  // namespace pptprocs
