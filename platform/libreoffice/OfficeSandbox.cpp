#include "platform/libreoffice/OfficeSandbox.h"

#include <fcntl.h>
#include <linux/landlock.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace platform::office {

namespace {

constexpr unsigned long long Read =
    LANDLOCK_ACCESS_FS_READ_FILE | LANDLOCK_ACCESS_FS_READ_DIR | LANDLOCK_ACCESS_FS_EXECUTE;
constexpr unsigned long long Write = LANDLOCK_ACCESS_FS_WRITE_FILE | LANDLOCK_ACCESS_FS_REMOVE_DIR |
                                     LANDLOCK_ACCESS_FS_REMOVE_FILE | LANDLOCK_ACCESS_FS_MAKE_DIR |
                                     LANDLOCK_ACCESS_FS_MAKE_REG | LANDLOCK_ACCESS_FS_MAKE_SOCK |
                                     LANDLOCK_ACCESS_FS_MAKE_FIFO | LANDLOCK_ACCESS_FS_MAKE_SYM;
// Rights that later kernels know; handled where the kernel does, so that none of them is left
// open: moving files between folders, and truncating them.
constexpr unsigned long long Refer = 1ULL << 13;
constexpr unsigned long long Truncate = 1ULL << 14;
constexpr unsigned long long Everything =
    Read | Write | LANDLOCK_ACCESS_FS_MAKE_CHAR | LANDLOCK_ACCESS_FS_MAKE_BLOCK;

std::string fromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] == '/' ? value : "";
}

}  // namespace

std::string UserConfigFolder() {
    const std::string own = fromEnvironment("XDG_CONFIG_HOME");
    const std::string home = fromEnvironment("HOME");
    return !own.empty() ? own : home.empty() ? "" : home + "/.config";
}

OfficeSandbox::OfficeSandbox(const std::string& program, const std::string& profile) {
    // The office's own installation, wherever it lies: its program folder, and the folder
    // above when that is an installation's "program" folder.
    const std::filesystem::path folder = std::filesystem::path(program).parent_path();
    rules_.push_back({folder.string(), Read});
    if (folder.filename() == "program")
        rules_.push_back({folder.parent_path().string(), Read});
    // The installation, the libraries and the system's settings, devices and process files.
    for (const char* system :
         {"/usr", "/lib", "/lib32", "/lib64", "/libx32", "/bin", "/sbin", "/etc", "/opt", "/var",
          "/proc", "/sys", "/run", "/tmp/.X11-unix", "/tmp/.ICE-unix"})
        rules_.push_back({system, Read});
    rules_.push_back({"/dev", Read | LANDLOCK_ACCESS_FS_WRITE_FILE});
    rules_.push_back({"/dev/shm", Read | Write});
    // The office's pipes are sockets in /tmp, whatever TMPDIR says.
    rules_.push_back({"/tmp", LANDLOCK_ACCESS_FS_MAKE_SOCK | LANDLOCK_ACCESS_FS_REMOVE_FILE});
    rules_.push_back({profile, Everything});
    // The fonts a user installed and the font settings they made.
    const std::string home = fromEnvironment("HOME");
    const std::string data = fromEnvironment("XDG_DATA_HOME");
    if (!home.empty()) {
        rules_.push_back({home + "/.fonts", Read});
        rules_.push_back({home + "/.fonts.conf", Read});
        rules_.push_back({home + "/.fonts.conf.d", Read});
        rules_.push_back({home + "/.Xauthority", Read});
    }
    if (!data.empty() || !home.empty())
        rules_.push_back({(data.empty() ? home + "/.local/share" : data) + "/fonts", Read});
    if (const std::string config = UserConfigFolder(); !config.empty())
        rules_.push_back({config + "/fontconfig", Read});
    const std::string authority = fromEnvironment("XAUTHORITY");
    if (!authority.empty())
        rules_.push_back({authority, Read});
}

bool OfficeSandbox::enter() const {
    const long abi =
        ::syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    if (abi < 1)
        return true;  // no Landlock in this kernel
    const unsigned long long later = (abi >= 2 ? Refer : 0) | (abi >= 3 ? Truncate : 0);
    landlock_ruleset_attr attributes{};
    attributes.handled_access_fs = Everything | later;
    const int ruleset =
        static_cast<int>(::syscall(SYS_landlock_create_ruleset, &attributes, sizeof attributes, 0));
    if (ruleset < 0)
        return false;
    for (const Rule& rule : rules_) {
        const int folder = ::open(rule.path.c_str(), O_PATH | O_CLOEXEC);
        if (folder < 0)
            continue;  // what does not exist needs no right
        landlock_path_beneath_attr beneath{};
        beneath.parent_fd = folder;
        // Where the office makes files it may also move and truncate them.
        beneath.allowed_access =
            rule.access | ((rule.access & LANDLOCK_ACCESS_FS_MAKE_REG) != 0 ? later : 0);
        if (::syscall(SYS_landlock_add_rule, ruleset, LANDLOCK_RULE_PATH_BENEATH, &beneath, 0) !=
            0) {
            // A regular file (an authority file) refuses the rights of a folder: read alone.
            beneath.allowed_access = LANDLOCK_ACCESS_FS_READ_FILE;
            ::syscall(SYS_landlock_add_rule, ruleset, LANDLOCK_RULE_PATH_BENEATH, &beneath, 0);
        }
        ::close(folder);
    }
    const bool entered = ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
                         ::syscall(SYS_landlock_restrict_self, ruleset, 0) == 0;
    ::close(ruleset);
    return entered;
}

}  // namespace platform::office
