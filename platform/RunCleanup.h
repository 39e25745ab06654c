#pragma once
// What a run leaves in the file system while it works (office profiles, the offices' pipe files,
// the staging folder of the images) and the processes it starts, kept in one small registry so
// that a signal that ends the run can stop and remove them. What a killed run left behind is
// told by its lock (OwnedFolder.h).
#include <chrono>
#include <functional>
#include <string>

namespace platform {

// A process, as this system's process calls number it.
using ProcessId = int;

// Where this run makes its temporary files: $TMPDIR, or /tmp.
std::string temporaryDirectory();

// Waits up to `limit` for the child `pid` to end and reaps it; true once it has ended (or is
// no child of ours: another thread reaped it).
bool waitForChildEnd(ProcessId pid, std::chrono::milliseconds limit);

// One registered process (killed) or path (removed, recursively) for as long as it lives.
class CleanupEntry {
  public:
    CleanupEntry() = default;
    static CleanupEntry process(ProcessId pid);
    static CleanupEntry path(const std::string& path);
    // The path that `make` creates (or throws), made under the registry's lock: once a signal
    // has begun the cleanup, nothing new is made that it would miss.
    static CleanupEntry madePath(const std::function<std::string()>& make);
    // The process that `start` starts (or throws), likewise started under the registry's lock.
    static CleanupEntry startedProcess(const std::function<ProcessId()>& start);
    ~CleanupEntry();
    CleanupEntry(CleanupEntry&& other) noexcept;
    CleanupEntry& operator=(CleanupEntry&& other) noexcept;
    CleanupEntry(const CleanupEntry&) = delete;
    CleanupEntry& operator=(const CleanupEntry&) = delete;

    // Forgets the entry: the process was reaped, the path removed.
    void release();

  private:
    explicit CleanupEntry(unsigned id) : id_(id) {}
    unsigned id_ = 0;
};

// Kills every registered process, waits for them to end, and removes every registered path.
// From then on registering blocks: the process is about to end.
void cleanUpEverything();

// Called once by main before any other thread starts. SIGINT, SIGTERM and SIGHUP then end the
// run promptly: everything registered is cleaned up and the process exits with 128 + signal. A
// write to a closed pipe (an office that has just ended) fails with EPIPE instead of ending us;
// programs we start get the default handling of every signal back.
void handleProcessSignals();

}  // namespace platform
