#include "support/Files.h"

#include <fcntl.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/Clock.h"
#include "platform/EventPump.h"
#include "platform/Services.h"
#include "support/DebugVar.h"
#include "support/TextUtil.h"

namespace support {
namespace {

std::vector<std::string> commandLineParameters;
bool logBusy = false;

[[noreturn]] void failWrite(const char* what, const std::string& fileName) {
    throw LogWriteError(std::string(what) + " " + fileName + ": " + std::strerror(errno) +
                        " (error " + std::to_string(errno) + ")");
}

// Clears the busy flag however the write ends.
struct BusyGuard {
    BusyGuard() { logBusy = true; }
    ~BusyGuard() { logBusy = false; }
};

}  // namespace

void SetCommandLineParameters(std::vector<std::string> parameters) {
    commandLineParameters = std::move(parameters);
}

std::string CommandLineText() {
    std::string text;
    for (const std::string& parameter : commandLineParameters) {
        if (parameter.empty())
            continue;
        if (!text.empty())
            text += ' ';
        text += parameter;
    }
    return text;
}

std::string BaseFileName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

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

std::string WriteLog(const std::string& text) {
    std::string body = ChangeStr(text, " ", "\n\r");
    while (logBusy) {
        if (platform::services().events != nullptr)
            platform::events().processPending();
        if (platform::services().clock != nullptr)
            platform::clock().sleep(500);
    }
    BusyGuard busy;
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
