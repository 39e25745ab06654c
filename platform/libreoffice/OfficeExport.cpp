// The export of all slides, one image file per slide, shared with a helper office for big decks.
#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "platform/images/ImageFiles.h"
#include "platform/libreoffice/LibreOfficeApp.h"

namespace platform::office {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using rtl::OUString;

SaveFormat saveFormat(int number) {
    switch (number) {
        case SaveAsJpeg:
            return {"jpg", "image/jpeg", false};
        case SaveAsGif:
            return {"gif", "image/gif", false};
        case SaveAsPng:
            return {"png", "image/png", false};
        case SaveAsBmp:
            return {"bmp", "image/png", true};
    }
    throw AutomationError("SaveAs: unsupported format number " + std::to_string(number));
}

// One thread that runs the tasks given to it in order, until it is destroyed.
void LibreOfficeApp::saveAs(const std::string& directory, int& formatNumber, bool) {
    requireDocument("SaveAs");
    const SaveFormat format = saveFormat(formatNumber);
    std::error_code error;
    if (!fs::is_directory(directory, error))
        throw AutomationError("SaveAs: the directory " + inQuotes(directory) + " does not exist");
    const int count = slideCount();
    SlideQueue queue(count);
    // One office draws one slide at a time: a second one, headless, takes slides from the
    // other end of the deck on the other core. It only ever speeds things up: whatever it
    // fails to do, this office does.
    activeQueue_ = &queue;
    struct Forget {
        SlideQueue*& active;
        ~Forget() { active = nullptr; }
    } forget{activeQueue_};
    std::future<void> helper;
    if (count >= HelperMinSlides && helperThread_)
        helper = helperThread_->submit([&] { exportWithHelper(queue, directory, format); });
    // Progress is told here, on the caller's thread, also for the slides the helper did.
    int reported = 0;
    const auto report = [&] {
        if (exportProgress_ && queue.done() != reported)
            exportProgress_(reported = queue.done(), count);
    };
    const auto exportFromFront = [&] {
        while (const std::optional<int> n = queue.takeFront()) {
            exportSlide(directory, *n, format);
            queue.markDone();
            report();
        }
    };
    try {
        exportFromFront();
        while (helper.valid() && helper.wait_for(100ms) != std::future_status::ready) report();
        report();
        exportFromFront();
    } catch (...) {
        queue.close();
        if (helper.valid())
            helper.wait();
        throw;
    }
}

void LibreOfficeApp::exportSlide(const std::string& directory, int n, const SaveFormat& format) {
    const std::string name = "Slide" + std::to_string(n) + "." + format.extension;
    const fs::path target = fs::path(directory) / name;
    // LibreOffice writes to a scratch name; only a complete file takes the slide's name.
    const fs::path scratch =
        fs::path(directory) / ("." + name + ".part-" + std::to_string(::getpid()));
    struct Cleanup {
        fs::path path;
        ~Cleanup() {
            std::error_code ignored;
            fs::remove(path, ignored);
        }
    } cleanup{scratch};
    OUString url;
    osl::FileBase::getFileURLFromSystemPath(ou(fs::absolute(scratch).string()), url);
    bounded("exporting slide " + std::to_string(n), [&] {
        Reference<drawing::XDrawPage> page(pages()->getByIndex(n - 1), UNO_QUERY_THROW);
        Reference<beans::XPropertySet> size(page, UNO_QUERY_THROW);
        sal_Int32 width = 0, height = 0;
        size->getPropertyValue("Width") >>= width;  // 1/100 mm
        size->getPropertyValue("Height") >>= height;
        // 96 pixels per inch: a 10 x 7.5 inch slide gives 960 x 720.
        const sal_Int32 pixelWidth = std::max<sal_Int32>(1, std::lround(width * 96 / 2540.0));
        const sal_Int32 pixelHeight = std::max<sal_Int32>(1, std::lround(height * 96 / 2540.0));
        // Both sizes must be given, or LibreOffice ignores them.
        const Properties filterData = properties({
            prop("PixelWidth", uno::Any(pixelWidth)),
            prop("PixelHeight", uno::Any(pixelHeight)),
            prop("Quality", uno::Any(sal_Int32(90))),
            prop("Translucent", uno::Any(false)),
            prop("Interlaced", uno::Any(sal_Int32(0))),
            prop("Compression", uno::Any(sal_Int32(1))),
        });
        const Properties descriptor = properties({
            prop("URL", uno::Any(url)),
            prop("MediaType", uno::Any(OUString::createFromAscii(format.exportMime))),
            prop("FilterData", uno::Any(filterData)),
        });
        Reference<drawing::XGraphicExportFilter> filter =
            drawing::GraphicExportFilter::create(remote_);
        filter->setSourceDocument(Reference<lang::XComponent>(page, UNO_QUERY_THROW));
        if (!filter->filter(descriptor))
            throw AutomationError("SaveAs: LibreOffice could not export slide " +
                                  std::to_string(n));
        return 0;
    });
    std::error_code error;
    if (!fs::is_regular_file(scratch, error) || fs::file_size(scratch, error) == 0)
        throw AutomationError("SaveAs: LibreOffice wrote no image for slide " + std::to_string(n));
    try {
        if (format.convertToBmp) {
            writeBmp(readImage(scratch.string()), target.string());
        } else {
            fs::rename(scratch, target);
        }
    } catch (const std::exception& e) {
        throw AutomationError(std::string("SaveAs: ") + e.what());
    }
}

// Runs on its own thread; nothing escapes it.
void LibreOfficeApp::exportWithHelper(SlideQueue& queue, const std::string& directory,
                                      const SaveFormat& format) {
    try {
        helperReady_.get();
        while (const std::optional<int> n = queue.takeBack()) {
            try {
                helper_->exportSlide(directory, *n, format);
                queue.markDone();
            } catch (...) {
                queue.giveBack(*n);
                return;
            }
        }
    } catch (...) {
        // The helper could not start or open the file: this office does every slide.
    }
}

// Ends the helper office, if there is one; waits for its start-up to end first.
void LibreOfficeApp::dropHelper() {
    releaseHelper();
    helperThread_.reset();  // runs what was asked of it, then joins
}

// Asks the helper thread to end the helper office, without waiting for it.
void LibreOfficeApp::releaseHelper() {
    if (!helperThread_)
        return;
    if (activeQueue_ != nullptr)
        activeQueue_->close();  // the helper stops after its current slide
    helperThread_->submit([this] { helper_.reset(); });
}

}  // namespace platform::office
