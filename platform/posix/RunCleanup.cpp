#include "platform/RunCleanup.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>
#include <type_traits>
#include <variant>

static_assert(std::is_same_v<pid_t, platform::ProcessId>);

namespace platform {

namespace fs = std::filesystem;

namespace {

using Entry = std::variant<pid_t, std::string>;

class Registry {
  public:
    unsigned add(Entry entry) {
        const std::lock_guard lock(mutex_);
        entries_.emplace(++last_, std::move(entry));
        return last_;
    }
    template <typename Make>
    unsigned addMade(const Make& make) {
        const std::lock_guard lock(mutex_);
        entries_.emplace(last_ + 1, make());
        return ++last_;
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

CleanupEntry CleanupEntry::process(pid_t pid) {
    return CleanupEntry(registry().add(pid));
}

CleanupEntry CleanupEntry::path(const std::string& path) {
    return CleanupEntry(registry().add(path));
}

CleanupEntry CleanupEntry::madePath(const std::function<std::string()>& make) {
    return CleanupEntry(registry().addMade(make));
}

CleanupEntry CleanupEntry::startedProcess(const std::function<pid_t()>& start) {
    return CleanupEntry(registry().addMade(start));
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
