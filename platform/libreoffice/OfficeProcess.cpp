#include "platform/libreoffice/OfficeProcess.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include <rtl/digest.h>
#include <rtl/ustring.hxx>

#include "platform/Automation.h"
#include "platform/OwnedFolder.h"
#include "platform/RunCleanup.h"
#include "platform/libreoffice/OfficeSandbox.h"

extern char** environ;

namespace platform::office {
namespace fs = std::filesystem;

namespace {

// The installed version, as the office compares it with the profile's last one: a profile that
// names it skips the first-start migration (about a second at every start). The installation's
// bootstraprc names its product ("ProductKey=LibreOffice 7.4") in a few bytes; its registry
// (2 MB, slow to read at every start) is asked only where bootstraprc does not say.
std::string installedVersion(const std::string& program) {
    std::ifstream rc(fs::path(program).parent_path() / "bootstraprc");
    for (std::string line; std::getline(rc, line);) {
        if (line.rfind("ProductKey=", 0) == 0 && line.find(' ') != std::string::npos)
            return line.substr(line.rfind(' ') + 1);
    }
    const fs::path xcd = fs::path(program).parent_path().parent_path() / "share/registry/main.xcd";
    std::ifstream in(xcd);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    const auto prop = text.find("\"ooSetupVersion\">");
    if (prop != std::string::npos) {
        const auto open = text.find("<value>", prop), close = text.find("</value>", prop);
        if (open != std::string::npos && close != std::string::npos && open < close)
            return text.substr(open + 7, close - open - 7);
    }
    return "7.4";
}

// The build the profile's extension cache was made by: a profile without it makes the first
// start clear that cache and end with 81, "start me again", which costs a second exec.
std::string installedBuildId(const std::string& program) {
    std::ifstream in(fs::path(program).parent_path() / "versionrc");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("buildid=", 0) == 0)
            return line.substr(8);
    return "";
}

std::string item(const std::string& path, const std::string& prop, const std::string& value) {
    return "<item oor:path=\"" + path + "\"><prop oor:name=\"" + prop +
           "\" oor:op=\"fuse\"><value>" + value + "</value></prop></item>\n";
}

std::string xmlText(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

// The office's XDG_CONFIG_HOME is in its profile; fontconfig looks there for the user's own
// font settings (folders of fonts, substitutes), which the slides still need: they are read
// from where the user keeps them.
void seedFontSettings(const fs::path& config) {
    const std::string user = UserConfigFolder();
    fs::create_directory(config);
    if (user.empty())
        return;
    fs::create_directory(config / "fontconfig");
    std::ofstream(config / "fontconfig" / "fonts.conf")
        << "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n"
           "<fontconfig>\n"
        << "<include ignore_missing=\"yes\">" << xmlText(user) << "/fontconfig/conf.d</include>\n"
        << "<include ignore_missing=\"yes\">" << xmlText(user)
        << "/fontconfig/fonts.conf</include>\n"
        << "</fontconfig>\n";
}

void seedProfile(const std::string& profile, const std::string& program) {
    const fs::path user = fs::path(profile) / "user";
    // Not create_directories: a profile that a signal's cleanup has just removed stays removed.
    fs::create_directory(user);
    std::ofstream out(user / "registrymodifications.xcu");
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
           "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
        << item("/org.openoffice.Setup/Product", "ooSetupLastVersion", installedVersion(program))
        << item("/org.openoffice.Setup/Office", "FirstStartWizardCompleted", "true")
        // Dialogs that would otherwise sit on top of a slide show.
        << item("/org.openoffice.Office.Common/Misc", "ShowTipOfTheDay", "false")
        << item("/org.openoffice.Office.Common/Misc", "FirstRun", "false")
        << item("/org.openoffice.Office.Common/Misc", "UseSystemFileDialog", "false")
        // The deck may come from anyone: what it links to (images, objects, on the network or
        // in local files) is never fetched or read. No place is trusted, so every deck is
        // outside a trusted place, and the office blocks the links of such documents.
        << item("/org.openoffice.Office.Common/Security/Scripting", "BlockUntrustedRefererLinks",
                "true")
        << item("/org.openoffice.Office.Common/Security/Scripting", "SecureURL", "")
        << "</oor:items>\n";
    const std::string buildId = installedBuildId(program);
    if (!buildId.empty()) {
        fs::create_directory(user / "extensions");
        std::ofstream(user / "extensions" / "buildid") << buildId << "\n";
    }
    seedFontSettings(fs::path(profile) / "config");
    if (!out)
        throw AutomationError("Cannot prepare the LibreOffice profile in " + profile);
}

// LibreOffice's pipe files are /tmp/OSL_PIPE_<uid>_<pipe name>, whatever TMPDIR says.
constexpr const char* PipeDirectory = "/tmp";
std::string pipeFilePrefix() {
    return "OSL_PIPE_" + std::to_string(::getuid()) + "_";
}

std::string uniquePipeName() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    std::ostringstream name;
    name << OfficeProcess::PipePrefix << ::getpid() << "_" << counter++ << "_" << std::hex
         << random();
    return name.str();
}

// The texts that map our own user and group into a user namespace of their own, made before
// fork: the child may only make async-signal-safe calls.
struct OwnIdentity {
    std::string uidMap, gidMap;
};
OwnIdentity ownIdentity() {
    return {std::to_string(::getuid()) + " " + std::to_string(::getuid()) + " 1\n",
            std::to_string(::getgid()) + " " + std::to_string(::getgid()) + " 1\n"};
}

bool writeAll(const char* file, const std::string& text) {
    const int fd = ::open(file, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return written;
}

// In the child, before exec: the office gets a network of its own, without any interface up,
// so that nothing a deck links to can be fetched from any address, 127.0.0.1 included. Its
// sockets to us and to the X server are files, which it still reaches. Where we may not make
// a network namespace ourselves, a user namespace that maps only our own user and group lets
// us. Where neither is allowed the office keeps ours, and the profile's link blocking alone
// holds.
void cutOffNetwork(const OwnIdentity& identity) {
    if (::unshare(CLONE_NEWNET) == 0)
        return;
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0)
        return;
    writeAll("/proc/self/setgroups", "deny");
    writeAll("/proc/self/uid_map", identity.uidMap);
    writeAll("/proc/self/gid_map", identity.gidMap);
}

// What a profile needs in the temporary folder: about half a megabyte of its own, and room for
// the office's temporary files. Short of it the office fails at start in ways that do not say
// why (an exit status, or a visible office that never answers).
constexpr unsigned long long ProfileRoom = 8ULL * 1024 * 1024;

void requireRoomForProfile(const std::string& directory) {
    struct statvfs room {};
    if (::statvfs(directory.c_str(), &room) != 0)
        return;  // creating the profile says why
    const unsigned long long free = static_cast<unsigned long long>(room.f_bavail) * room.f_frsize;
    if (free < ProfileRoom)
        throw AutomationError(
            "There is no space left in the temporary folder \"" + directory + "\" (" +
            std::to_string(free / 1024) + " kB free): LibreOffice needs about " +
            std::to_string(ProfileRoom / 1024 / 1024) + " MB there for its profile");
}

std::unique_ptr<OwnedFolder> makeProfileFolder() {
    requireRoomForProfile(temporaryDirectory());
    try {
        return std::make_unique<OwnedFolder>(temporaryDirectory(), OfficeProcess::ProfilePrefix);
    } catch (const std::system_error& error) {
        throw AutomationError("Cannot create a LibreOffice profile in " + temporaryDirectory() +
                              ": " + std::strerror(error.code().value()));
    }
}

// The office's single-instance pipe is named after the MD5 digest of its profile's URL, taken
// over the URL's UTF-16 code units and written as unpadded hexadecimal bytes.
std::string singleInstancePipeName(const std::string& profileUrl) {
    const rtl::OUString url = rtl::OStringToOUString(
        rtl::OString(profileUrl.data(), static_cast<sal_Int32>(profileUrl.size())),
        RTL_TEXTENCODING_UTF8);
    sal_uInt8 digest[RTL_DIGEST_LENGTH_MD5];
    rtl_digest_MD5(url.getStr(), static_cast<sal_uInt32>(url.getLength() * sizeof(sal_Unicode)),
                   digest, sizeof digest);
    std::ostringstream name;
    name << "SingleOfficeIPC_" << std::hex;
    for (const sal_uInt8 byte : digest) name << static_cast<unsigned>(byte);
    return name.str();
}

}  // namespace

OfficeProcess::OfficeProcess(std::string program, bool headless, std::string display)
    : program_(std::move(program)),
      headless_(headless),
      display_(std::move(display)),
      profileFolder_(makeProfileFolder()),
      profile_(profileFolder_->path()),
      pipeName_(uniquePipeName()) {
    profileFolder_->recordSocket(pipeFile());
    profileFolder_->recordSocket(singleInstanceFile());
    seedProfile(profile_, program_);
}

OfficeProcess::~OfficeProcess() {
    if (pid_ > 0 && !status_)
        kill();
    // The profile goes with its folder, and with it the office's socket files: an office that
    // did not end by itself (killed by us, by the watchdog or by anyone) leaves them behind.
}

void OfficeProcess::reclaimLeftovers() {
    reclaimOwnedLeftovers(temporaryDirectory(), ProfilePrefix, {});
}

void OfficeProcess::start() {
    // Everything the child needs is built before fork: after it only async-signal-safe calls.
    std::vector<std::string> args = {
        program_,
        "-env:UserInstallation=" + profileUrl(),
        "--accept=pipe,name=" + pipeName_ + ";urp;StarOffice.ComponentContext",
        "--norestore",
        "--nologo",
        "--nodefault",
        "--nolockcheck",
        "--nofirststartwizard",
    };
    if (headless_)
        args.push_back("--headless");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    // The office's own temporary files go inside the profile, so that they go with it even
    // when the office is killed and cannot clean up after itself.
    const std::string scratch = profile_ + "/tmp";
    std::error_code ignored;
    fs::create_directory(scratch, ignored);
    // So do the settings and caches that its libraries (dconf, fontconfig, GLib) would keep in
    // the user's home: a read-only home costs nothing, and a run leaves nothing there. HOME and
    // XDG_DATA_HOME stay the user's, for the fonts installed in them.
    const std::string config = profile_ + "/config", cache = profile_ + "/cache";
    fs::create_directory(cache, ignored);
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const bool ownRuntime = runtime == nullptr || *runtime == '\0';
    if (ownRuntime && fs::create_directory(profile_ + "/runtime", ignored))
        fs::permissions(profile_ + "/runtime", fs::perms::owner_all, ignored);
    const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const bool noBus = bus == nullptr || *bus == '\0';
    std::vector<std::string> environment;
    const auto replaced = [&](std::string_view entry) {
        const auto starts = [&](std::string_view name) { return entry.rfind(name, 0) == 0; };
        return starts("TMPDIR=") || starts("XDG_CONFIG_HOME=") || starts("XDG_CACHE_HOME=") ||
               (ownRuntime && starts("XDG_RUNTIME_DIR=")) ||
               (noBus && starts("DBUS_SESSION_BUS_ADDRESS=")) ||
               // A headless office needs no display and gets none: nothing of it can reach the
               // screen.
               ((headless_ || !display_.empty()) &&
                (starts("DISPLAY=") || starts("WAYLAND_DISPLAY=")));
    };
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (!replaced(*entry))
            environment.emplace_back(*entry);
    }
    environment.push_back("TMPDIR=" + scratch);
    environment.push_back("XDG_CONFIG_HOME=" + config);
    environment.push_back("XDG_CACHE_HOME=" + cache);
    if (ownRuntime)
        environment.push_back("XDG_RUNTIME_DIR=" + profile_ + "/runtime");
    // Without a session bus, libdbus and GLib would launch one for the office (dbus-launch,
    // seconds each time, and its files in the home); it runs without one. A bus of the user's
    // session stays its own.
    if (noBus)
        environment.push_back("DBUS_SESSION_BUS_ADDRESS=disabled:");
    if (!display_.empty())
        environment.push_back("DISPLAY=" + display_);
    std::vector<char*> envp;
    for (auto& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);
    const std::string log = profile_ + "/office.log";
    const pid_t parent = ::getpid();
    const OwnIdentity identity = ownIdentity();
    const OfficeSandbox sandbox(program_, profile_);

    const std::lock_guard lock(reapMutex_);
    status_.reset();
    // Started under the cleanup registry's lock: an office started while a signal ends the run
    // would escape its cleanup.
    processCleanup_ = CleanupEntry::startedProcess([&] {
        const pid_t child = ::fork();
        if (child < 0)
            throw AutomationError(std::string("Cannot start LibreOffice: ") + std::strerror(errno));
        if (child == 0) {
            // The office's sockets and files are ours alone, whatever our mask: its remote protocol
            // has no login, so anyone who could connect could drive it as us.
            ::umask(077);
            // The office must not outlive us, whatever way we end.
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent)
                ::_exit(127);
            if (niceness_ != 0)
                ::setpriority(PRIO_PROCESS, 0, niceness_);
            cutOffNetwork(identity);
            if (!sandbox.enter())
                ::_exit(126);
            const int in = ::open("/dev/null", O_RDONLY);
            const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
            if (in < 0 || out < 0)
                ::_exit(127);
            ::dup2(in, 0);
            ::dup2(out, 1);
            ::dup2(out, 2);
            ::close_range(3, ~0u, 0);
            ::execve(argv[0], argv.data(), envp.data());
            ::_exit(127);
        }
        pid_ = child;
        return child;
    });
}

std::optional<int> OfficeProcess::poll() {
    const std::lock_guard lock(reapMutex_);
    if (status_ || pid_ <= 0)
        return status_;
    int status = 0;
    const pid_t r = ::waitpid(pid_, &status, WNOHANG);
    if (r == pid_ || (r < 0 && errno == ECHILD))
        status_ = WIFEXITED(status)     ? WEXITSTATUS(status)
                  : WIFSIGNALED(status) ? -WTERMSIG(status)
                                        : -1;
    if (status_)
        processCleanup_.release();
    return status_;
}

bool OfficeProcess::waitForExit(std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!poll()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

void OfficeProcess::signalKill() const {
    // Never once it is reaped: the pid may then be another process's.
    const std::lock_guard lock(reapMutex_);
    if (pid_ > 0 && !status_)
        ::kill(pid_, SIGKILL);
}

void OfficeProcess::kill() {
    if (pid_ <= 0 || poll())
        return;
    signalKill();
    {
        const std::lock_guard lock(reapMutex_);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        status_ = -SIGKILL;
        processCleanup_.release();
    }
    removeSocketFiles();
}

std::string OfficeProcess::pipeFile() const {
    return std::string(PipeDirectory) + "/" + pipeFilePrefix() + pipeName_;
}

std::string OfficeProcess::singleInstanceFile() const {
    return std::string(PipeDirectory) + "/" + pipeFilePrefix() +
           singleInstancePipeName(profileUrl());
}

std::string OfficeProcess::profileUrl() const {
    return "file://" + profile_;
}

void OfficeProcess::removeSocketFiles() const {
    ::unlink(pipeFile().c_str());
    ::unlink(singleInstanceFile().c_str());
}

bool OfficeProcess::running() {
    return pid_ > 0 && !poll();
}

std::string OfficeProcess::connectUrl() const {
    return "uno:pipe,name=" + pipeName_ + ";urp;StarOffice.ComponentContext";
}

std::string OfficeProcess::logTail() const {
    std::ifstream in(profile_ + "/office.log");
    std::string text{std::istreambuf_iterator<char>(in), {}};
    if (text.size() > 400)
        text = text.substr(text.size() - 400);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

Watchdog::Watchdog(const OfficeProcess& process) : process_(process), thread_([this] { run(); }) {}

Watchdog::~Watchdog() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void Watchdog::arm(const std::string& label, double seconds) {
    {
        std::lock_guard lock(mutex_);
        label_ = label;
        deadline_ = std::chrono::steady_clock::now() +
                    std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                        std::chrono::duration<double>(seconds));
    }
    wake_.notify_all();
}

void Watchdog::disarm() {
    std::lock_guard lock(mutex_);
    deadline_.reset();
}

std::optional<std::string> Watchdog::firedLabel() const {
    std::lock_guard lock(mutex_);
    return fired_;
}

void Watchdog::run() {
    std::unique_lock lock(mutex_);
    while (!stop_) {
        if (!deadline_) {
            wake_.wait(lock);
        } else if (wake_.wait_until(lock, *deadline_) == std::cv_status::timeout && deadline_ &&
                   std::chrono::steady_clock::now() >= *deadline_) {
            fired_ = label_;
            deadline_.reset();
            process_.signalKill();
        }
    }
}

}  // namespace platform::office
