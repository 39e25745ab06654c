#pragma once
// A second office that exports a big deck's slides beside the main one, taking them from the
// back of the queue. It only ever speeds things up: a slide it fails goes back to the queue,
// and whatever it cannot do, the main office does.
#include <functional>
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
    // Makes the helper's session, not yet started.
    using SessionMaker = std::function<std::unique_ptr<OfficeSession>()>;

    explicit HelperOffice(SessionMaker makeSession);
    // Ends the office and its thread.
    ~HelperOffice();
    HelperOffice(const HelperOffice&) = delete;
    HelperOffice& operator=(const HelperOffice&) = delete;

    // On the helper's own thread, which it keeps from start to end (an office ends with the
    // thread that started it): starts the office the first time, opens `path` unless it is
    // open, and exports from the back of `queue` until it is empty or closed. The future is
    // ready once it stops; it never holds an error.
    std::future<void> start(SlideQueue& queue, const std::string& path,
                            const std::string& directory, const SaveFormat& format);
    // Stops the office at once, from any thread: what it is doing fails, fast.
    void stop();

  private:
    // On the helper's thread; a slide it fails goes back to the queue.
    void exportFromBack(SlideQueue& queue, const std::string& directory, const SaveFormat& format);

    SessionMaker makeSession_;
    std::mutex mutex_;                        // guards session_ against stop()
    std::unique_ptr<OfficeSession> session_;  // used on thread_ only
    std::unique_ptr<SerialWorker> thread_;
};

}  // namespace platform::office
