#pragma once
// The office process of one automation object, and the watchdog that bounds calls into it.
// Plain POSIX (and one digest of LibreOffice's runtime library): no UNO here.
#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/OwnedFolder.h"
#include "platform/RunCleanup.h"

namespace platform::office {

class OfficeProcess {
  public:
    // Names only our profiles and pipes have.
    static constexpr const char* ProfilePrefix = "deckshot-office-";
    static constexpr const char* PipePrefix = "deckshot_";

    // Removes the profiles, with the offices' sockets they record, that runs which have ended
    // without cleaning up (a SIGKILL, a power cut) left behind; those of live runs stay.
    static void reclaimLeftovers();

    // Creates the private profile (seeded so that start-up skips the first-run work), locked for
    // as long as this object lives, and picks a unique pipe name; start() runs the program. The
    // office's sockets are recorded in the profile, so that they go with it.
    // With a display name, the office draws there (its DISPLAY), whatever ours is.
    OfficeProcess(std::string program, bool headless, std::string display = {});
    // Kills a process that is still running and removes the profile.
    ~OfficeProcess();
    OfficeProcess(const OfficeProcess&) = delete;
    OfficeProcess& operator=(const OfficeProcess&) = delete;

    void start();
    // From the next start(): the office yields the processor to the rest of the run (a helper
    // office starting beside the main one and our own start-up).
    void yieldToOthers() { niceness_ = 10; }
    // Exit status once the process has ended (-signal for a killed one), reaping it; nullopt
    // while it runs or before it was started.
    std::optional<int> poll();
    // Waits up to `limit` for the process to end on its own.
    bool waitForExit(std::chrono::milliseconds limit);
    // SIGKILL without reaping: safe from the watchdog thread.
    void signalKill() const;
    // SIGKILL and reap.
    void kill();
    bool running();
    pid_t pid() const { return pid_; }

    std::string connectUrl() const;
    const std::string& profileDir() const { return profile_; }
    // The end of the office's own output, for error texts.
    std::string logTail() const;

  private:
    // The socket files of the office's pipe and of its single-instance pipe, which only an office
    // that ends by itself removes (and the latter not even then).
    std::string pipeFile() const;
    std::string singleInstanceFile() const;
    // The profile as the office is told it.
    std::string profileUrl() const;
    void removeSocketFiles() const;

    std::string program_;
    bool headless_;
    std::string display_;
    std::unique_ptr<OwnedFolder> profileFolder_;
    std::string profile_;
    std::string pipeName_;
    int niceness_ = 0;
    std::atomic<pid_t> pid_{-1};
    std::optional<int> status_;
    mutable std::mutex reapMutex_;  // a reaped pid is never signalled
    CleanupEntry processCleanup_;
};

// Bounds office calls: arm() before a call, disarm() after. When a call overruns, the watchdog
// kills the office, which makes the blocked call fail; firedLabel() then says which call it was.
class Watchdog {
  public:
    explicit Watchdog(const OfficeProcess& process);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    void arm(const std::string& label, double seconds);
    void disarm();
    std::optional<std::string> firedLabel() const;

  private:
    void run();

    const OfficeProcess& process_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<std::chrono::steady_clock::time_point> deadline_;
    std::string label_;
    std::optional<std::string> fired_;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace platform::office
