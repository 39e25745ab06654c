#pragma once
// The command line as one text, base names of files, and the log writer.
#include <stdexcept>
#include <string>
#include <vector>

namespace support {

// The parameters the program was started with (without the program's own name); start-up hands
// them over once, tests set their own.
void SetCommandLineParameters(std::vector<std::string> parameters);
// All parameters joined by single blanks, no blank at either end; empty parameters are skipped
// the way a quoted empty word is skipped when a command line is split.
std::string CommandLineText();

// The file name without its directory and without its last extension.
std::string BaseFileName(const std::string& path);

class LogWriteError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Appends one time-stamped line to LogFileName and returns it (without the line end). The line is
// the same whether or not it reached the file: a failed write is dropped silently.
std::string WriteLog(const std::string& text);
// Appends line + CR LF to the file, creating it if needed; throws LogWriteError on failure.
void AppendLine(const std::string& fileName, const std::string& line);
// Local time of day as "hh:nn:ss:zzz".
std::string TimeStamp();

}  // namespace support
