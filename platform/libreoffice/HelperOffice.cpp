#include "platform/libreoffice/HelperOffice.h"

namespace platform::office {

HelperOffice::HelperOffice(std::unique_ptr<OfficeSession> session)
    : session_(std::move(session)), thread_(std::make_unique<SerialWorker>()) {
    if (!session_->launched())
        session_->launch();
    then([this] { session_->connect(); });
}

HelperOffice::~HelperOffice() {
    stop();
    thread_->submit([this] {
        std::unique_ptr<OfficeSession> session;
        {
            const std::lock_guard lock(mutex_);
            session = std::move(session_);
        }
        session->endAtOnce();
    });
    thread_.reset();  // runs what was asked of it, then joins
}

std::future<void> HelperOffice::then(std::function<void()> task) {
    return thread_->submit([this, task = std::move(task)] {
        if (failed_)
            return;
        try {
            task();
        } catch (...) {
            // The helper could not start, open or export: the main office does its share.
            failed_ = true;
        }
    });
}

void HelperOffice::open(const std::string& path) {
    then([this, path] { session_->open(path); });
}

std::future<void> HelperOffice::exportFromBack(SlideQueue& queue, const std::string& directory,
                                               const SlideImage& image) {
    const std::string writer = "helper" + std::to_string(session_->pid());
    return then([this, &queue, directory, image, writer] {
        while (const std::optional<int> n = queue.takeBack()) {
            try {
                exportSlide(*session_, directory, *n, image, writer);
                queue.markDone();
            } catch (...) {
                queue.giveBack(*n);
                throw;
            }
        }
    });
}

void HelperOffice::stop() {
    const std::lock_guard lock(mutex_);
    if (session_)
        session_->stopNow();
}

}  // namespace platform::office
