#include "support/LogFile.h"

#include <cstdio>

#include "platform/Clock.h"
#include "platform/EventPump.h"
#include "platform/FileSystem.h"
#include "support/TextUtil.h"

namespace support {
namespace {

[[noreturn]] void failWrite(const platform::AppendFailure& failure, const std::string& fileName) {
    throw LogWriteError(std::string(failure.step) + " " + fileName + ": " +
                        failure.error.message() + " (error " +
                        std::to_string(failure.error.value()) + ")");
}

// Clears the busy flag however the write ends.
class BusyGuard {
  public:
    explicit BusyGuard(bool& busy) : busy_(busy) { busy_ = true; }
    ~BusyGuard() { busy_ = false; }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

  private:
    bool& busy_;
};

}  // namespace

std::string TimeStamp() {
    const platform::TimeOfDay now = platform::LocalTimeOfDay();
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d:%03d", now.hour, now.minute, now.second,
                  now.millisecond);
    return text;
}

void AppendLine(const std::string& fileName, const std::string& line) {
    if (const auto failure = platform::AppendToFile(fileName, line + "\r\n"))
        failWrite(*failure, fileName);
}

std::string LogFile::WriteLog(const std::string& text) {
    std::string body = ChangeStr(text, " ", "\n\r");
    while (busy_) {
        events_.processPending();
        clock_.sleep(500);
    }
    const BusyGuard busy(busy_);
    if (body.empty())
        body = "??????NULL";
    const std::string line = TimeStamp() + " " + body;
    try {
        AppendLine(LogFileName, line);
    } catch (const LogWriteError&) {
        // Logging must never interrupt the keystroke engine: the line is lost.
    }
    return line;
}

}  // namespace support
