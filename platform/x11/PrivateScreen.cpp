#include "platform/x11/PrivateScreen.h"

#include "platform/RunCleanup.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/random.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace platform {
namespace {

bool isSet(const char* value) {
    return value != nullptr && *value != '\0';
}

// Some server listens on display `number` (a listening socket of its name, also in the abstract
// namespace, where Linux X servers listen too).
bool displayInUse(const std::string& number) {
    const std::string name = "/tmp/.X11-unix/X" + number;
    std::ifstream table("/proc/net/unix");
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, references, protocol, flags, type, state, inode, path;
        fields >> slot >> references >> protocol >> flags >> type >> state >> inode >> path;
        if (flags == "00010000" && (path == name || path == "@" + name))
            return true;
    }
    return false;
}

// A server killed outright (SIGKILL, by anyone) cannot remove its socket and lock file: once it
// has ended they go, unless another server has taken the display since.
void removeFilesOfEndedServer(pid_t pid, const std::string& number) {
    if (number.empty() || displayInUse(number))
        return;
    ::unlink(("/tmp/.X11-unix/X" + number).c_str());
    const std::string lock = "/tmp/.X" + number + "-lock";
    long named = 0;
    if (std::ifstream(lock) >> named && named == pid)
        ::unlink(lock.c_str());
}

void stop(pid_t pid, const std::string& number = {}) {
    // SIGTERM lets the server remove its socket and lock file.
    ::kill(pid, SIGTERM);
    if (!waitForChildEnd(pid, std::chrono::seconds(5))) {
        ::kill(pid, SIGKILL);
        waitForChildEnd(pid, std::chrono::seconds(5));
    }
    removeFilesOfEndedServer(pid, number);
}

// The display number Xvfb writes to -displayfd once it accepts clients; empty when it ended
// or stayed silent.
std::string readDisplayNumber(int fd, std::chrono::milliseconds limit) {
    std::string text;
    const auto end = std::chrono::steady_clock::now() + limit;
    while (text.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        pollfd in{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&in, 1, static_cast<int>(left.count())) <= 0)
            return {};
        char buffer[32];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return {};
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text.substr(0, text.find('\n'));
}

constexpr char CookieName[] = "MIT-MAGIC-COOKIE-1";

std::string newCookie() {
    std::string cookie(16, '\0');
    if (::getrandom(cookie.data(), cookie.size(), 0) != static_cast<ssize_t>(cookie.size()))
        throw std::runtime_error(std::string("cannot make a key for the private X server: ") +
                                 std::strerror(errno));
    return cookie;
}

// Our own user's name, which the server lets in once the key has opened it; empty when the
// user has no name (then the server stays open to every local client, as before).
std::string userName() {
    char buffer[4096];
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &found) != 0 || found == nullptr)
        return {};
    return found->pw_name;
}

// An authority file with the one key, for any display of this machine: the server reads it
// when the first client comes, and from then on refuses clients without the key.
class AuthorityFile {
  public:
    explicit AuthorityFile(const std::string& cookie) {
        path_ = temporaryDirectory() + "/deckshot-xauth-XXXXXX";
        const int fd = ::mkstemp(path_.data());
        if (fd < 0)
            throw std::runtime_error("cannot make a key file for the private X server (" + path_ +
                                     "): " + std::strerror(errno));
        std::string entry;
        const auto field = [&entry](const std::string& text) {
            entry += static_cast<char>(text.size() >> 8);
            entry += static_cast<char>(text.size() & 0xff);
            entry += text;
        };
        entry = "\xff\xff";  // FamilyWild
        field("");           // address
        field("");           // display number: any
        field(CookieName);
        field(cookie);
        const bool written =
            ::write(fd, entry.data(), entry.size()) == static_cast<ssize_t>(entry.size());
        ::close(fd);
        if (!written) {
            remove();
            throw std::runtime_error("cannot write the key file of the private X server");
        }
    }
    ~AuthorityFile() { remove(); }
    AuthorityFile(const AuthorityFile&) = delete;
    AuthorityFile& operator=(const AuthorityFile&) = delete;

    const std::string& path() const { return path_; }
    void remove() {
        if (!path_.empty())
            ::unlink(path_.c_str());
        path_.clear();
    }

  private:
    std::string path_;
};

// Opens the server with the key, which makes it read its authority file, and lets in every
// client of our own user: the office and our connections need no key, other users get none.
bool admitOurUser(const std::string& display, const std::string& cookie, const std::string& user) {
    XSetAuthorization(const_cast<char*>(CookieName), static_cast<int>(sizeof CookieName - 1),
                      const_cast<char*>(cookie.data()), static_cast<int>(cookie.size()));
    Display* connection = XOpenDisplay(display.c_str());
    XSetAuthorization(nullptr, 0, nullptr, 0);  // later connections use the usual authority
    if (connection == nullptr)
        return false;
    XServerInterpretedAddress localUser{};
    localUser.type = const_cast<char*>("localuser");
    localUser.typelength = 9;
    localUser.value = const_cast<char*>(user.data());
    localUser.valuelength = static_cast<int>(user.size());
    XHostAddress host{};
    host.family = FamilyServerInterpreted;
    host.length = sizeof localUser;
    host.address = reinterpret_cast<char*>(&localUser);
    XAddHost(connection, &host);
    XSync(connection, False);
    XCloseDisplay(connection);
    return true;
}

// Starts Xvfb with `args`, handing it `displayFd` as descriptor 3; the child ends with us.
pid_t startServer(std::vector<std::string> args, int displayFd) {
    // Everything the child needs is made before fork: after it, only async-signal-safe calls.
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child != 0)
        return child;
    // Ends with us, whatever way we end.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent)
        ::_exit(127);
    const int null = ::open("/dev/null", O_RDWR);
    if (null < 0 || ::dup2(displayFd, 3) < 0)
        ::_exit(127);
    ::dup2(null, 0);
    ::dup2(null, 1);
    ::dup2(null, 2);
    ::close_range(4, ~0u, 0);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
}

}  // namespace

bool needsPrivateScreen(const char* display, const char* sessionType, const char* screenChoice) {
    if (isSet(screenChoice) && std::strcmp(screenChoice, "private") == 0)
        return true;
    if (!isSet(display))
        return true;
    return isSet(sessionType) && std::strcmp(sessionType, "wayland") == 0;
}

ScreenSize privateScreenSize(const char* sizeText, const ScreenSize* userScreen) {
    if (isSet(sizeText)) {
        int width = 0, height = 0;
        char rest = 0;
        if (std::sscanf(sizeText, "%dx%d%c", &width, &height, &rest) == 2 && width >= 64 &&
            height >= 64 && width <= 16384 && height <= 16384)
            return {width, height};
    }
    if (userScreen != nullptr && userScreen->width > 0 && userScreen->height > 0)
        return *userScreen;
    return {};
}

PrivateScreen::PrivateScreen(ScreenSize size, PrivateScreenOptions options) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("cannot start a private X server: ") +
                                 std::strerror(errno));
    const std::string screen = std::to_string(size.width) + "x" + std::to_string(size.height) +
                               "x" + std::to_string(options.depth);
    std::vector<std::string> args = {"Xvfb", "-displayfd", "3",   "-screen", "0",
                                     screen, "-nolisten",  "tcp", "-noreset"};
    // Without a key any local user could watch the show or type into it.
    const std::string user = options.ownerOnly ? userName() : std::string();
    const std::string cookie = options.ownerOnly ? newCookie() : std::string();
    std::unique_ptr<AuthorityFile> authority;
    if (!user.empty()) {
        authority = std::make_unique<AuthorityFile>(cookie);
        args.push_back("-auth");
        args.push_back(authority->path());
    }
    const pid_t child = startServer(std::move(args), ends[1]);
    if (child < 0) {
        const int error = errno;
        ::close(ends[0]);
        ::close(ends[1]);
        throw std::runtime_error(std::string("cannot start a private X server: ") +
                                 std::strerror(error));
    }
    ::close(ends[1]);
    const std::string number = readDisplayNumber(ends[0], std::chrono::seconds(20));
    ::close(ends[0]);
    if (number.empty()) {
        stop(child);
        throw std::runtime_error(
            "the private X server (Xvfb) did not start; is the xvfb package installed?");
    }
    if (authority && !admitOurUser(":" + number, cookie, user)) {
        stop(child);
        throw std::runtime_error("the private X server (Xvfb) refused its own key");
    }
    pid_ = child;
    name_ = ":" + number;
}

PrivateScreen::~PrivateScreen() {
    if (pid_ > 0)
        stop(pid_, name_.substr(1));
}

}  // namespace platform
