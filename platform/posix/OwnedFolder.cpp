#include "platform/OwnedFolder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace platform {

namespace fs = std::filesystem;

namespace {

constexpr const char* MarkerName = ".deckshot-owner";
constexpr const char* MarkerText = "deckshot\n";
// The sockets a folder records, one path a line.
constexpr const char* SocketListName = ".deckshot-sockets";
constexpr std::size_t RandomPartLength = 6;  // mkdtemp's XXXXXX

[[noreturn]] void throwErrno() {
    throw std::system_error(errno, std::generic_category());
}

bool hasOurShape(const std::string& name, const std::string& prefix) {
    if (name.size() != prefix.size() + RandomPartLength || name.rfind(prefix, 0) != 0)
        return false;
    for (std::size_t i = prefix.size(); i < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

// The marker is locked before its text is written: a marker that holds the text and whose lock
// can be taken belongs to a run that has ended.
int makeLockedMarker(const std::string& folder) {
    const std::string marker = folder + "/" + MarkerName;
    const int fd = ::open(marker.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        throwErrno();
    const std::string text = MarkerText;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 ||
        ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        const int error = errno;
        ::close(fd);
        errno = error;
        throwErrno();
    }
    return fd;
}

// The marker's lock, when its owner has ended; -1 while it lives or when the marker is not ours.
// Opened for writing: NFS grants an exclusive lock only on such a descriptor.
int lockOfEndedOwner(const std::string& folder) {
    const std::string marker = folder + "/" + MarkerName;
    const int fd = ::open(marker.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return -1;
    struct stat info {};
    char text[16] = {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    const ssize_t n = regular ? ::read(fd, text, sizeof text - 1) : -1;
    if (n < 0 || std::string(text, static_cast<std::size_t>(n)) != MarkerText ||
        ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Only a socket of our own user, whatever a list says.
void removeSocket(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode) && info.st_uid == ::getuid())
        ::unlink(path.c_str());
}

void removeRecordedSockets(const std::string& folder) {
    std::ifstream list(folder + "/" + SocketListName);
    for (std::string socket; std::getline(list, socket);) {
        if (!socket.empty())
            removeSocket(socket);
    }
}

void removeOurEntries(const std::string& folder, const OurNames& ours) {
    std::error_code error;
    if (!ours) {
        fs::remove_all(folder, error);
        return;
    }
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        std::error_code ignored;
        if (ours(name) && entry->is_regular_file(ignored))
            fs::remove(entry->path(), ignored);
    }
    for (const char* name : {SocketListName, MarkerName}) fs::remove(folder + "/" + name, error);
    fs::remove(folder, error);  // only when nothing else is left in it
}

}  // namespace

OwnedFolder::OwnedFolder(const std::string& directory, const std::string& prefix) {
    cleanups_.push_back(CleanupEntry::madePath([&] {
        std::string pattern = directory + "/" + prefix + std::string(RandomPartLength, 'X');
        if (::mkdtemp(pattern.data()) == nullptr)
            throwErrno();
        return path_ = pattern;
    }));
    try {
        lock_ = makeLockedMarker(path_);
    } catch (...) {
        ::rmdir(path_.c_str());
        throw;
    }
}

OwnedFolder::~OwnedFolder() {
    for (const std::string& socket : sockets_) removeSocket(socket);
    std::error_code ignored;
    fs::remove_all(path_, ignored);
    ::close(lock_);
}

void OwnedFolder::recordSocket(const std::string& socket) {
    std::ofstream(path_ + "/" + SocketListName, std::ios::app) << socket << "\n";
    sockets_.push_back(socket);
    cleanups_.push_back(CleanupEntry::path(socket));
}

bool OwnedFolder::holdsOurMarker(const std::string& folder) {
    std::ifstream marker(folder + "/" + MarkerName);
    std::string text((std::istreambuf_iterator<char>(marker)), {});
    return text == MarkerText;
}

void reclaimOwnedLeftovers(const std::string& directory, const std::string& prefix,
                           const OurNames& ours) {
    std::error_code error;
    for (fs::directory_iterator entry(directory, error), end; !error && entry != end;
         entry.increment(error)) {
        std::error_code ignored;
        if (!hasOurShape(entry->path().filename().string(), prefix) || entry->is_symlink(ignored) ||
            !entry->is_directory(ignored))
            continue;
        const std::string folder = entry->path().string();
        const int lock = lockOfEndedOwner(folder);
        if (lock < 0)
            continue;
        // The lock stays held while the folder is emptied: no other run reclaims it meanwhile.
        removeRecordedSockets(folder);
        removeOurEntries(folder, ours);
        ::close(lock);
    }
}

namespace {

// The office's own temporary file beside a file it writes: "lu" + letters and digits + ".tmp".
bool isOfficeTemporaryName(const std::string& name) {
    const std::size_t end = name.size() - 4;
    if (name.size() <= 6 || name.rfind("lu", 0) != 0 || name.compare(end, 4, ".tmp") != 0)
        return false;
    return std::all_of(name.begin() + 2, name.begin() + static_cast<std::ptrdiff_t>(end),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

}  // namespace

bool isStagingFileName(const std::string& name) {
    if (name == ".room-for-an-image" || name == StagingImageName || isOfficeTemporaryName(name))
        return true;
    // Slide<n>.<extension>, and the scratch names made from it: .Slide<n>.<extension>.part-...
    std::size_t at = name.rfind("Slide", 0) == 0 ? 5 : name.rfind(".Slide", 0) == 0 ? 6 : 0;
    if (at == 0 || at >= name.size() || name[at] < '0' || name[at] > '9')
        return false;
    while (at < name.size() && name[at] >= '0' && name[at] <= '9') ++at;
    for (const std::string extension : {".jpg", ".bmp", ".gif", ".png"}) {
        if (name.compare(at, extension.size(), extension) == 0) {
            const std::size_t end = at + extension.size();
            return end == name.size() || name[end] == '.';
        }
    }
    return false;
}

void reclaimStagingLeftovers(const std::string& directory) {
    reclaimOwnedLeftovers(directory, StagingPrefix, isStagingFileName);
}

}  // namespace platform
