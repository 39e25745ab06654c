#include "support/LogFile.h"

#include <fcntl.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/Clock.h"
#include "platform/EventPump.h"
#include "support/TextUtil.h"

namespace support {
namespace {

[[noreturn]] void failWrite(const char* what, const std::string& fileName) {
    throw LogWriteError(std::string(what) + " " + fileName + ": " + std::strerror(errno) +
                        " (error " + std::to_string(errno) + ")");
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
    timeval now{};
    gettimeofday(&now, nullptr);
    std::tm local{};
    localtime_r(&now.tv_sec, &local);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d:%03d", local.tm_hour, local.tm_min,
                  local.tm_sec, static_cast<int>(now.tv_usec / 1000));
    return text;
}

void AppendLine(const std::string& fileName, const std::string& line) {
    const int fd = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        failWrite("cannot open", fileName);
    const std::string data = line + "\r\n";
    std::size_t written = 0;
    while (written < data.size()) {
        const ssize_t n = ::write(fd, data.data() + written, data.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int saved = errno;
            ::close(fd);
            errno = saved;
            failWrite("cannot write", fileName);
        }
        written += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0)
        failWrite("cannot close", fileName);
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
