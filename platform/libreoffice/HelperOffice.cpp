#include "platform/libreoffice/HelperOffice.h"

namespace platform::office {

HelperOffice::HelperOffice(SessionMaker makeSession)
    : makeSession_(std::move(makeSession)), thread_(std::make_unique<SerialWorker>()) {}

HelperOffice::~HelperOffice() {
    thread_->submit([this] {
        std::unique_ptr<OfficeSession> session;
        {
            const std::lock_guard lock(mutex_);
            session = std::move(session_);
        }
        if (session)
            session->endAtOnce();
    });
    thread_.reset();  // runs what was asked of it, then joins
}

std::future<void> HelperOffice::start(SlideQueue& queue, const std::string& path,
                                      const std::string& directory, const SaveFormat& format) {
    return thread_->submit([this, &queue, path, directory, format] {
        try {
            if (!session_) {
                auto session = makeSession_();
                {
                    const std::lock_guard lock(mutex_);
                    session_ = std::move(session);
                }
                if (queue.closed())
                    return;
                session_->start();
            }
            if (session_->path() != path)
                session_->open(path);
            exportFromBack(queue, directory, format);
        } catch (...) {
            // The helper could not start or open the file: the main office does every slide.
        }
    });
}

void HelperOffice::exportFromBack(SlideQueue& queue, const std::string& directory,
                                  const SaveFormat& format) {
    while (const std::optional<int> n = queue.takeBack()) {
        try {
            exportSlide(*session_, directory, *n, format, "helper");
            queue.markDone();
        } catch (...) {
            queue.giveBack(*n);
            return;
        }
    }
}

void HelperOffice::stop() {
    const std::lock_guard lock(mutex_);
    if (session_)
        session_->stopNow();
}

}  // namespace platform::office
