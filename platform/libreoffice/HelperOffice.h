#pragma once
// An office that exports a deck's slides beside the main one, taking them from the back of the
// queue. It is launched with the main office and does its work on a thread of its own, so that
// it connects and opens the deck while the main office does the same. It only ever speeds
// things up: a slide it fails goes back to the queue, and whatever it cannot do, the main office
// does.
#include <future>
#include <memory>
#include <mutex>
#include <string>

#include "platform/libreoffice/OfficeSession.h"
#include "platform/libreoffice/SerialWorker.h"
#include "platform/libreoffice/SlideFile.h"
#include "platform/libreoffice/SlideQueue.h"

namespace platform::office {

class HelperOffice {
  public:
    // Launches the office on the caller's thread unless it was launched before (it ends when
    // that thread ends: the main thread, which outlives it) and connects to it on its own
    // thread.
    explicit HelperOffice(std::unique_ptr<OfficeSession> session);
    // Ends the office at once, and its thread.
    ~HelperOffice();
    HelperOffice(const HelperOffice&) = delete;
    HelperOffice& operator=(const HelperOffice&) = delete;

    // Opens `path` once connected.
    void open(const std::string& path);
    // Exports from the back of `queue` until it is empty or closed. The future is ready once
    // it stops; it never holds an error.
    std::future<void> exportFromBack(SlideQueue& queue, const std::string& directory,
                                     const SlideImage& image);
    // Stops the office at once, from any thread: what it is doing fails, fast.
    void stop();

  private:
    // Runs `task` on the helper's thread unless an earlier step failed.
    std::future<void> then(std::function<void()> task);

    std::mutex mutex_;                        // guards session_ against stop()
    std::unique_ptr<OfficeSession> session_;  // used on thread_ only
    bool failed_ = false;                     // on thread_ only
    std::unique_ptr<SerialWorker> thread_;
};

}  // namespace platform::office
