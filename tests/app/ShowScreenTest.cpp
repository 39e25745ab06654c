// Slide ranges where people run them, with the real program: on a private screen when there is
// no display (also when the run is stopped or the office dies), and on desktops with a window
// manager and a compositor. Each case starts the X servers it needs, so none shares a display.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/RunCleanup.h"
#include "platform/images/ImageFiles.h"
#include "platform/x11/PrivateScreen.h"
#include "tests/decks/TestDecks.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Marks the private screens of these tests among the machine's X servers.
constexpr const char* ScreenSize = "1000x750";

struct ProgramRun {
    pid_t pid = -1;
    std::string log;  // standard error and output
};

// Starts deckshot with `arguments`, in an environment changed by `env` ("NAME=value" sets,
// "NAME" alone removes).
ProgramRun startProgram(const std::vector<std::string>& arguments,
                        const std::vector<std::string>& env, const std::string& log) {
    ProgramRun run{-1, log};
    run.pid = ::fork();
    if (run.pid == 0) {
        for (const std::string& e : env) {
            const auto eq = e.find('=');
            if (eq == std::string::npos)
                ::unsetenv(e.c_str());
            else
                ::setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
        }
        std::freopen("/dev/null", "r", stdin);
        std::freopen(log.c_str(), "w", stdout);
        std::freopen(log.c_str(), "a", stderr);
        std::vector<char*> argv{const_cast<char*>(DECKSHOT_EXE)};
        for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(DECKSHOT_EXE, argv.data());
        ::_exit(127);
    }
    return run;
}

int waitForExit(const ProgramRun& run, std::chrono::seconds limit = 180s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (::waitpid(run.pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > end) {
            ::kill(run.pid, SIGKILL);
            ::waitpid(run.pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(50ms);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

std::string contents(const std::string& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
}

template <typename Condition>
bool waitUntil(Condition condition, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

// Another program of the desktop holds a text on the clipboard, as a user's editor does after a
// copy, until this object ends.
class CopiedText {
  public:
    CopiedText(const std::string& display, const std::string& text) {
        int input[2], output[2];
        if (::pipe(input) != 0 || ::pipe(output) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::setenv("DISPLAY", display.c_str(), 1);
            ::dup2(input[0], 0);
            ::dup2(output[1], 1);
            ::close_range(3, ~0u, 0);
            ::execl(CLIPBOARD_PEER, CLIPBOARD_PEER, "text", text.c_str(), nullptr);
            ::_exit(127);
        }
        ::close(input[0]);
        ::close(output[1]);
        stdin_ = input[1];
        char ready[6] = {};
        ready_ = ::read(output[0], ready, 5) == 5 && std::string(ready) == "ready";
        ::close(output[0]);
    }
    ~CopiedText() {
        ::close(stdin_);  // the peer ends when its input closes
        ::waitpid(pid_, nullptr, 0);
    }
    CopiedText(const CopiedText&) = delete;
    CopiedText& operator=(const CopiedText&) = delete;

    bool ready() const { return ready_; }

  private:
    pid_t pid_ = -1;
    int stdin_ = -1;
    bool ready_ = false;
};

// The text on the display's clipboard, as any other program reads it.
std::string clipboardText(const std::string& display) {
    const std::string command = "DISPLAY=" + display + " " + CLIPBOARD_PEER + " get text";
    std::string text;
    if (FILE* peer = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, peer) != nullptr) text += buffer;
        ::pclose(peer);
    }
    return text;
}

class RangeWhereItRuns : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        decks() = testdecks::makeTempDir("show-decks");
        testdecks::makePpt(decks(), "ten", {.slides = 10});
    }
    static void TearDownTestSuite() { fs::remove_all(decks()); }
    static std::string& decks() {
        static std::string directory;
        return directory;
    }

    void SetUp() override {
        out = testdecks::makeTempDir("show-out");
        scratch = testdecks::makeTempDir("show-tmp");
    }
    void TearDown() override {
        EXPECT_TRUE(
            waitUntil([] { return testdecks::processesMentioning(ScreenSize).empty(); }, 10s))
            << "a private X server was left running";
        EXPECT_TRUE(waitUntil([&] { return testdecks::processesMentioning(scratch).empty(); }, 10s))
            << "an office was left running";
        fs::remove_all(out);
        fs::remove_all(scratch);
    }

    std::vector<std::string> headless() const {
        return {"DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR", "TMPDIR=" + scratch,
                std::string("DECKSHOT_SCREEN_SIZE=") + ScreenSize};
    }
    std::vector<std::string> arguments(int first, int last) const {
        return {decks() + "/ten.ppt", "/s:" + std::to_string(first) + "-" + std::to_string(last),
                "/d:" + out};
    }

    void expectPictures(int first, int last, int width, int height) {
        for (int slide = first; slide <= last; ++slide) {
            const std::string file =
                out + "/ten_" + (slide < 10 ? "0" : "") + std::to_string(slide) + ".jpg";
            SCOPED_TRACE(file);
            ASSERT_TRUE(fs::exists(file));
            const platform::RgbImage picture = platform::readImage(file);
            EXPECT_EQ(picture.width, width);
            EXPECT_EQ(picture.height, height);
            EXPECT_TRUE(testdecks::near(picture.at(20, 20), testdecks::slideColour(slide), 12));
        }
    }

    std::string out, scratch;
};

TEST_F(RangeWhereItRuns, WithoutADisplayOnAPrivateScreen) {
    const ProgramRun run = startProgram(arguments(3, 5), headless(), scratch + "/log");

    EXPECT_EQ(waitForExit(run), 0) << contents(run.log);
    expectPictures(3, 5, 1000, 750);
}

// The office of a show keeps its settings, caches and session bus to itself: the user's home
// gets nothing, and without a session bus none is launched for it.
TEST_F(RangeWhereItRuns, LeavesNothingInTheHome) {
    const std::string home = testdecks::makeTempDir("show-home");
    std::vector<std::string> environment = headless();
    environment.insert(environment.end(), {"HOME=" + home, "DBUS_SESSION_BUS_ADDRESS",
                                           "XDG_CONFIG_HOME", "XDG_CACHE_HOME"});
    const ProgramRun run = startProgram(arguments(1, 2), environment, scratch + "/log");

    EXPECT_EQ(waitForExit(run), 0) << contents(run.log);
    expectPictures(1, 2, 1000, 750);
    for (const auto& entry : fs::recursive_directory_iterator(home))
        ADD_FAILURE() << "left in the home: " << entry.path();
    fs::remove_all(home);
}

// The office's show may draw nothing on a screen this large: refused before anything starts.
TEST_F(RangeWhereItRuns, AScreenTooLargeForTheShowIsRefused) {
    std::vector<std::string> environment = headless();
    environment.back() = "DECKSHOT_SCREEN_SIZE=4096x4096";
    const ProgramRun run = startProgram(arguments(1, 2), environment, scratch + "/log");

    EXPECT_EQ(waitForExit(run), 1);
    EXPECT_NE(contents(run.log).find("Error: No screen for the slide show: "
                                     "DECKSHOT_SCREEN_SIZE=4096x4096 is larger than"),
              std::string::npos)
        << contents(run.log);
    EXPECT_TRUE(fs::is_empty(out));
}

TEST_F(RangeWhereItRuns, StoppedOrKilledMidRunLeavesNoPrivateScreen) {
    for (const int signal : {SIGTERM, SIGKILL}) {
        SCOPED_TRACE(signal);
        const ProgramRun run = startProgram(arguments(1, 10), headless(), scratch + "/log");
        ASSERT_TRUE(
            waitUntil([] { return !testdecks::processesMentioning(ScreenSize).empty(); }, 60s));
        std::vector<std::string> sockets;
        ASSERT_TRUE(waitUntil(
            [&] {
                sockets = testdecks::socketFilesOf(testdecks::processesMentioning(ScreenSize));
                return !sockets.empty();
            },
            10s));
        // In the middle of the range: its first picture is written.
        ASSERT_TRUE(waitUntil([&] { return fs::exists(out + "/ten_01.jpg"); }, 90s));
        ::kill(run.pid, signal);
        waitForExit(run);

        EXPECT_TRUE(
            waitUntil([] { return testdecks::processesMentioning(ScreenSize).empty(); }, 10s));
        for (const std::string& socket : sockets) {
            EXPECT_FALSE(fs::exists(socket)) << socket;
            const std::string number = socket.substr(socket.rfind('X') + 1);
            EXPECT_FALSE(fs::exists("/tmp/.X" + number + "-lock"));
        }
    }
}

// The pipe the office of a run listens on, from its command line.
std::string officePipeOf(const std::string& scratch) {
    for (pid_t office : testdecks::processesMentioning(scratch)) {
        std::ifstream in("/proc/" + std::to_string(office) + "/cmdline");
        const std::string cmdline{std::istreambuf_iterator<char>(in), {}};
        const auto name = cmdline.find("pipe,name=");
        if (name != std::string::npos)
            return cmdline.substr(name + 10, cmdline.find(';', name) - name - 10);
    }
    return "";
}

// The inode of a file; 0 when there is none.
ino_t inodeOf(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? status.st_ino : 0;
}

TEST_F(RangeWhereItRuns, PrivateScreenKilledMidRangeEndsTheRunAndLeavesNothing) {
    const ProgramRun run = startProgram(arguments(1, 10), headless(), scratch + "/log");
    ASSERT_TRUE(waitUntil([&] { return fs::exists(out + "/ten_01.jpg"); }, 90s));
    // The run's own server: other runs on this machine may have private screens too.
    std::vector<pid_t> servers;
    for (pid_t server : testdecks::processesMentioning(ScreenSize)) {
        std::ifstream stat("/proc/" + std::to_string(server) + "/stat");
        std::string pid, name, state;
        pid_t parent = 0;
        if (stat >> pid >> name >> state >> parent && parent == run.pid)
            servers.push_back(server);
    }
    ASSERT_EQ(servers.size(), 1U);
    const std::vector<std::string> sockets = testdecks::socketFilesOf(servers);
    ASSERT_EQ(sockets.size(), 1U);
    const std::string socket = sockets.front();
    const ino_t socketInode = inodeOf(socket);
    const std::string pipe = officePipeOf(scratch);
    ASSERT_FALSE(pipe.empty());
    ::kill(servers.front(), SIGKILL);

    EXPECT_EQ(waitForExit(run), 1);
    const std::string log = contents(run.log);
    EXPECT_NE(log.find("Error: the private screen ended while showing slide "), std::string::npos)
        << log;
    EXPECT_EQ(log.find("X connection"), std::string::npos) << log;
    // Removed at once, not by the next run: the server's socket (a server that another run
    // starts on the same display afterwards has a file of its own), the office's pipe and its
    // profile.
    EXPECT_NE(inodeOf(socket), socketInode) << socket;
    EXPECT_FALSE(fs::exists("/tmp/OSL_PIPE_" + std::to_string(::getuid()) + "_" + pipe)) << pipe;
    for (const auto& entry : fs::directory_iterator(scratch)) {
        const std::string name = entry.path().filename();
        // Qt's runtime folder, without XDG_RUNTIME_DIR, is none of the run's.
        if (name != "log" && name.rfind("runtime-", 0) != 0)
            ADD_FAILURE() << "left in the run's temporary folder: " << name;
    }
}

TEST_F(RangeWhereItRuns, OfficeKilledMidRangeIsAnErrorNamingTheSlide) {
    const ProgramRun run = startProgram(arguments(1, 10), headless(), scratch + "/log");
    // The first picture is written: the office goes while the range goes on.
    const auto end = std::chrono::steady_clock::now() + 90s;
    while (!fs::exists(out + "/ten_01.jpg") && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(2ms);
    // The office alone: the private X server's key file lies in the same folder.
    for (pid_t office : testdecks::processesMentioning(scratch)) {
        std::ifstream name("/proc/" + std::to_string(office) + "/comm");
        std::string comm;
        if (std::getline(name, comm) && comm == "soffice.bin")
            ::kill(office, SIGKILL);
    }

    EXPECT_EQ(waitForExit(run), 1);
    const std::string log = contents(run.log);
    EXPECT_NE(log.find("Error: Slide "), std::string::npos) << log;
    EXPECT_NE(log.find(" could not be captured: "), std::string::npos) << log;
    EXPECT_NE(log.find("LibreOffice"), std::string::npos) << log;
}

// A desktop: Xvfb, a window manager in its default configuration and a compositor; a script
// answers the information box as a user would. What the user copied before stays on the
// clipboard, also when the show runs on a private screen.
TEST_F(RangeWhereItRuns, OnDesktopsWithAWindowManager) {
    const char* managers[] = {"openbox", "icewm"};
    for (const char* manager : managers) {
        SCOPED_TRACE(manager);
        const platform::PrivateScreen server({1024, 768}, {.ownerOnly = false});
        const std::string& display = server.displayName();
        const auto startOnDisplay = [&](const std::string& command) {
            const pid_t pid = ::fork();
            if (pid == 0) {
                ::setenv("DISPLAY", display.c_str(), 1);
                std::freopen("/dev/null", "w", stdout);
                std::freopen("/dev/null", "w", stderr);
                ::execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
                ::_exit(127);
            }
            return pid;
        };
        const pid_t wm = startOnDisplay(std::string("exec ") + manager);
        const pid_t compositor = startOnDisplay("exec xcompmgr");
        std::this_thread::sleep_for(1500ms);
        const std::string copiedWords = "words the user copied";
        const CopiedText copied(display, copiedWords);
        ASSERT_TRUE(copied.ready());
        const pid_t user = startOnDisplay(
            "for i in $(seq 240); do sleep 0.25; w=$(xdotool search --onlyvisible --name "
            "'Convert PPT' | head -1); if [ -n \"$w\" ]; then xdotool windowactivate --sync $w; "
            "xdotool key Return; exit 0; fi; done");

        const ProgramRun run = startProgram(
            arguments(3, 6), {"DISPLAY=" + display, "WAYLAND_DISPLAY", "TMPDIR=" + scratch},
            scratch + "/log");
        EXPECT_EQ(waitForExit(run), 0) << contents(run.log);
        expectPictures(3, 6, 1024, 768);
        EXPECT_EQ(clipboardText(display), copiedWords);

        if (std::string(manager) == "openbox") {
            const ProgramRun hidden = startProgram(
                {decks() + "/ten.ppt", "/s:3-4", "/d:" + out, "--no-dialogs"},
                {"DISPLAY=" + display, "WAYLAND_DISPLAY", "TMPDIR=" + scratch,
                 "DECKSHOT_SCREEN=private", std::string("DECKSHOT_SCREEN_SIZE=") + ScreenSize},
                scratch + "/log");
            EXPECT_EQ(waitForExit(hidden), 0) << contents(hidden.log);
            expectPictures(3, 4, 1000, 750);
            EXPECT_EQ(clipboardText(display), copiedWords);
        }

        for (pid_t pid : {user, compositor, wm}) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
        for (const auto& entry : fs::directory_iterator(out)) fs::remove(entry.path());
    }
}

}  // namespace

namespace {

// A private screen holds the user's slides and takes their keys: another local user must not
// get in, while our own user (the office) needs no key.
TEST(PrivateScreenAccess, OnlyOurOwnUserGetsIn) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "trying another user needs root";
    const platform::PrivateScreen screen({640, 480});
    const std::string probe =
        "env DISPLAY=" + screen.displayName() + " XAUTHORITY=/nonexistent xset q >/dev/null 2>&1";
    EXPECT_EQ(std::system(probe.c_str()), 0);
    EXPECT_NE(std::system(("setpriv --reuid=65534 --regid=65534 --clear-groups " + probe).c_str()),
              0);
    for (const auto& entry : fs::directory_iterator(platform::temporaryDirectory()))
        EXPECT_EQ(entry.path().filename().string().rfind("deckshot-xauth-", 0), std::string::npos)
            << "key file left: " << entry.path();
}

}  // namespace

namespace {

// A server killed outright leaves its socket; it must not outlive the screen.
TEST(PrivateScreenEnd, AServerKilledOutrightLeavesNoSocket) {
    std::string socket;
    {
        const platform::PrivateScreen screen({640, 480}, {.ownerOnly = false});
        socket = "/tmp/.X11-unix/X" + screen.displayName().substr(1);
        // The server is a child of ours, the only one.
        pid_t server = -1;
        for (const pid_t pid : testdecks::processesMentioning("Xvfb")) {
            std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
            std::string text((std::istreambuf_iterator<char>(stat)), {});
            std::istringstream fields(text.substr(text.rfind(')') + 1));
            std::string state;
            pid_t parent = 0;
            if (fields >> state >> parent && parent == ::getpid())
                server = pid;
        }
        ASSERT_GT(server, 0);
        ASSERT_EQ(::kill(server, SIGKILL), 0);
        EXPECT_TRUE(fs::exists(socket));
    }
    EXPECT_FALSE(fs::exists(socket)) << socket;
}

}  // namespace
