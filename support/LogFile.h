#pragma once
// The log writer: time-stamped lines appended to a log file, for the key engine's trace and for
// the keys it could not play. One object lives as long as the program and is handed to the key
// engine; it holds the trace switch, the file's name and the busy flag of a write under way.
#include <stdexcept>
#include <string>

namespace platform {
class Clock;
class EventPump;
}  // namespace platform

namespace support {

class LogWriteError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class LogFile {
  public:
    // A write that finds another one under way lets the user interface work and waits.
    LogFile(platform::EventPump& events, platform::Clock& clock) : events_(events), clock_(clock) {}
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Appends one time-stamped line to LogFileName and returns it (without the line end). The
    // line is the same whether or not it reached the file: a failed write is dropped silently.
    std::string WriteLog(const std::string& text);

    // Trace lines of the key engine are written only while this is on; nothing switches it off.
    bool DebugTrace = false;
    // Relative, so the log lands in the process's current directory at the time of writing.
    std::string LogFileName = "debug.log";

  private:
    platform::EventPump& events_;
    platform::Clock& clock_;
    bool busy_ = false;
};

// Appends line + CR LF to the file, creating it if needed; throws LogWriteError on failure.
void AppendLine(const std::string& fileName, const std::string& line);
// Local time of day as "hh:nn:ss:zzz".
std::string TimeStamp();

}  // namespace support
