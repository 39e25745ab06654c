#pragma once
// How the images of a run are named and in which format the office exports them.
#include <optional>
#include <stdexcept>
#include <string>

namespace app {

// The number of decimal digits of a slide count (1 for 0 to 9, 2 for 10 to 99, ...).
int NumberWidth(int slideCount);

// <directory>/<pattern with every "#" replaced by the slide number>.<extension>. The number
// has leading zeros up to `numberWidth` digits; a longer number keeps its last digits. The
// directory text is used as it stands, so one ending in "/" gives "//", which is harmless.
//
// literalPrefix is the part of the pattern that came from the presentation's own name: while the
// pattern still begins with it and a "#" follows, that part is used as it stands, so a "#" in
// a deck's name is never taken for the number. A pattern that the user typed otherwise keeps
// every "#" a placeholder.
std::string OutputFileName(const std::string& directory, const std::string& pattern, int slide,
                           int numberWidth, const std::string& extension,
                           const std::string& literalPrefix = "");

struct ExportFormat {
    int number;             // format number of SaveAs
    std::string extension;  // in lower case; also the word the messages show
};

// The format a format word names: "jpg", "bmp", "gif" or "png", in any letter case. Any other
// word names none, so that no file is ever written under a name that lies about its content.
std::optional<ExportFormat> FindExportFormat(const std::string& formatWord);

class UnknownFormatError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};
// The format of a word FindExportFormat knows; any other word throws UnknownFormatError with the
// text of UnknownFormatMessage.
ExportFormat ExportFormatFor(const std::string& formatWord);

// Error: Unknown image format "<word>"
std::string UnknownFormatMessage(const std::string& formatWord);

}  // namespace app
