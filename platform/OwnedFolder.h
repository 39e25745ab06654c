#pragma once
// Folders that a run owns while it lives: its staging folder beside the images, each office
// profile, the folder an image is written in before it takes its name. Ownership is a lock the
// live run holds on a marker file inside, not a name or a process id: a run in a container or on
// another host that shares the folder holds its lock just the same, and the kernel drops the lock
// however the run ends. A later run removes a leftover only when it has our shape, holds our
// marker and its lock can be taken, and then only what we write in such a folder.
#include <functional>
#include <string>
#include <vector>

#include "platform/RunCleanup.h"

namespace platform {

class OwnedFolder {
  public:
    // Makes `directory`/`prefix` + six random letters or digits, puts the marker in it and
    // locks it. Throws std::system_error with the OS's reason.
    OwnedFolder(const std::string& directory, const std::string& prefix);
    // Removes the folder and the sockets it records.
    ~OwnedFolder();
    OwnedFolder(const OwnedFolder&) = delete;
    OwnedFolder& operator=(const OwnedFolder&) = delete;

    const std::string& path() const { return path_; }

    // A socket outside the folder that belongs to it (an office's pipe): removed with the folder,
    // also by the run that reclaims the folder after this one was killed.
    void recordSocket(const std::string& socket);

    // `folder` is one of these folders (it holds our marker).
    static bool holdsOurMarker(const std::string& folder);

  private:
    std::string path_;
    int lock_ = -1;
    std::vector<std::string> sockets_;
    std::vector<CleanupEntry> cleanups_;
};

// Which names inside a reclaimed folder are ours to remove; an empty function: the whole tree.
using OurNames = std::function<bool(const std::string& name)>;

// Reclaims the folders of `directory` named `prefix` + six letters or digits that are real
// directories (not links), hold our marker and whose lock can be taken: the sockets they record
// and the entries `ours` accepts are removed, then the folder if it is empty. Anything else is
// left as it is.
void reclaimOwnedLeftovers(const std::string& directory, const std::string& prefix,
                           const OurNames& ours);

// The staging folders beside the images: the office's exports and images being written go
// there, so that an image only ever appears whole under its own name.
inline constexpr const char* StagingPrefix = ".deckshot-staging-";
// An image being written, alone in a staging folder of its own.
inline constexpr const char* StagingImageName = "image.tmp";
// The names this program and its offices write into a staging folder.
bool isStagingFileName(const std::string& name);
// Reclaims the staging folders that ended runs left in `directory`.
void reclaimStagingLeftovers(const std::string& directory);

}  // namespace platform
