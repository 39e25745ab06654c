// The helper office of a big deck's export: its start on a thread of its own, its share of the
// slides, and its end, which never keeps the run waiting.
#include "platform/libreoffice/LibreOfficeApp.h"

namespace platform::office {

// Starts the helper office on a thread of its own, which it keeps from start to end (an office
// ends with the thread that started it), and has it export from the back of the queue.
std::future<void> LibreOfficeApp::startHelper(SlideQueue& queue, const std::string& directory,
                                              const SaveFormat& format) {
    if (!helperThread_)
        helperThread_ = std::make_unique<SerialWorker>();
    return helperThread_->submit([this, &queue, directory, format] {
        try {
            if (!helper_) {
                auto helper =
                    std::make_unique<LibreOfficeApp>(program_, bounds_, true, Role::Helper);
                {
                    const std::lock_guard lock(helperMutex_);
                    helper_ = std::move(helper);
                }
                if (queue.closed())
                    return;
                helper_->connect();
            }
            if (helper_->path_ != path_)
                helper_->openPresentation(path_, true, false, false);
            helpExport(queue, directory, format);
        } catch (...) {
            // The helper could not start or open the file: this office does every slide.
        }
    });
}

// Runs on the helper thread; a slide it fails goes back to the queue.
void LibreOfficeApp::helpExport(SlideQueue& queue, const std::string& directory,
                                const SaveFormat& format) {
    while (const std::optional<int> n = queue.takeBack()) {
        try {
            helper_->exportSlide(directory, *n, format);
            queue.markDone();
        } catch (...) {
            queue.giveBack(*n);
            return;
        }
    }
}

// Stops the helper office at once, from any thread: what it is doing fails, fast.
void LibreOfficeApp::stopHelper() {
    const std::lock_guard lock(helperMutex_);
    if (helper_)
        helper_->process_.signalKill();
}

// Ends the helper office and its thread, if there are any.
void LibreOfficeApp::dropHelper() {
    if (!helperThread_)
        return;
    helperThread_->submit([this] {
        std::unique_ptr<LibreOfficeApp> helper;
        {
            const std::lock_guard lock(helperMutex_);
            helper = std::move(helper_);
        }
    });
    helperThread_.reset();  // runs what was asked of it, then joins
}

}  // namespace platform::office
