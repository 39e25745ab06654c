#include "platform/RunCleanup.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>
#include <variant>

namespace platform {

namespace fs = std::filesystem;

namespace {

// Field 22 of /proc/<pid>/stat: when the process started, in clock ticks since boot.
std::optional<std::string> startTime(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), {});
    const auto close = text.rfind(')');  // the command name may hold blanks and parentheses
    if (close == std::string::npos)
        return std::nullopt;
    std::istringstream fields(text.substr(close + 1));
    std::string field;
    for (int n = 3; n <= 22 && fields >> field; ++n) {
        if (n == 22)
            return field;
    }
    return std::nullopt;
}

bool allDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// The mark at the start of `text`, up to the next "-" or "_" after the pid's ".".
std::optional<std::string> leadingMark(const std::string& text) {
    const auto pidEnd = text.find('.');
    if (pidEnd == std::string::npos)
        return std::nullopt;
    const auto end = text.find_first_of("-_", pidEnd + 1);
    const std::string mark = text.substr(0, end);
    if (!allDigits(mark.substr(0, pidEnd)) || !allDigits(mark.substr(pidEnd + 1)))
        return std::nullopt;
    return mark;
}

using Entry = std::variant<pid_t, std::string>;

class Registry {
  public:
    unsigned add(Entry entry) {
        const std::lock_guard lock(mutex_);
        entries_.emplace(++last_, std::move(entry));
        return last_;
    }
    void drop(unsigned id) {
        const std::lock_guard lock(mutex_);
        entries_.erase(id);
    }
    // Holds the lock to the end of the process: nothing new is started or made meanwhile.
    void cleanUp() {
        mutex_.lock();
        for (const auto& [id, entry] : entries_)
            if (const pid_t* pid = std::get_if<pid_t>(&entry))
                ::kill(*pid, SIGKILL);
        for (const auto& [id, entry] : entries_)
            if (const pid_t* pid = std::get_if<pid_t>(&entry))
                waitForChildEnd(*pid, std::chrono::seconds(2));
        // Paths only once the processes that write into them have ended.
        for (const auto& [id, entry] : entries_)
            if (const std::string* path = std::get_if<std::string>(&entry)) {
                std::error_code ignored;
                fs::remove_all(*path, ignored);
            }
    }

  private:
    std::mutex mutex_;
    std::map<unsigned, Entry> entries_;
    unsigned last_ = 0;
};

Registry& registry() {
    static Registry* instance = new Registry;  // never destroyed: a signal may come at exit
    return *instance;
}

int signalPipe[2] = {-1, -1};

extern "C" void onEndingSignal(int signal) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

extern "C" void onBrokenPipe(int) {}

}  // namespace

std::string temporaryDirectory() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

bool waitForChildEnd(pid_t pid, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const pid_t r = ::waitpid(pid, nullptr, WNOHANG);
        if (r == pid || (r < 0 && errno != EINTR))
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::string ownerMark() {
    static const std::string mark =
        std::to_string(::getpid()) + "." + startTime(::getpid()).value_or("0");
    return mark;
}

bool ownerIsGone(const std::string& mark) {
    const std::optional<std::string> parsed = leadingMark(mark);
    if (!parsed || *parsed != mark)
        return false;
    const pid_t pid = static_cast<pid_t>(std::stol(mark.substr(0, mark.find('.'))));
    const std::optional<std::string> started = startTime(pid);
    return !started || *started != mark.substr(mark.find('.') + 1);
}

void reclaimLeftovers(const std::string& directory, const std::string& prefix) {
    std::error_code error;
    for (fs::directory_iterator entry(directory, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (name.rfind(prefix, 0) != 0)
            continue;
        const std::optional<std::string> mark = leadingMark(name.substr(prefix.size()));
        if (mark && ownerIsGone(*mark)) {
            std::error_code ignored;
            fs::remove_all(entry->path(), ignored);
        }
    }
}

CleanupEntry CleanupEntry::process(pid_t pid) {
    return CleanupEntry(registry().add(pid));
}

CleanupEntry CleanupEntry::path(const std::string& path) {
    return CleanupEntry(registry().add(path));
}

CleanupEntry::~CleanupEntry() {
    release();
}

CleanupEntry::CleanupEntry(CleanupEntry&& other) noexcept : id_(other.id_) {
    other.id_ = 0;
}

CleanupEntry& CleanupEntry::operator=(CleanupEntry&& other) noexcept {
    if (this != &other) {
        release();
        id_ = other.id_;
        other.id_ = 0;
    }
    return *this;
}

void CleanupEntry::release() {
    if (id_ != 0)
        registry().drop(id_);
    id_ = 0;
}

void cleanUpEverything() {
    registry().cleanUp();
}

void handleProcessSignals() {
    if (::pipe2(signalPipe, O_CLOEXEC) != 0)
        return;
    // The cleanup runs on a thread of its own, never inside a handler: a handler may interrupt
    // any code, and may only pass the signal on.
    std::thread([] {
        unsigned char signal = 0;
        while (::read(signalPipe[0], &signal, 1) < 0 && errno == EINTR) {
        }
        cleanUpEverything();
        ::_exit(128 + signal);
    }).detach();
    struct sigaction action = {};
    action.sa_handler = onEndingSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
    // A handler that does nothing rather than SIG_IGN: an ignored signal stays ignored in the
    // programs we start, a handler goes back to the default there.
    action.sa_handler = onBrokenPipe;
    ::sigaction(SIGPIPE, &action, nullptr);
}

}  // namespace platform
