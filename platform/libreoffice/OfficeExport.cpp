// The export of all slides, one image file per slide, shared with a helper office for big decks
// (OfficeHelper.cpp).
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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

std::string plainReason(const std::string& message, const std::string& what) {
    // "<text> at /build/.../file.cxx:123" or "... bridge.cxx:615": the text alone.
    std::string text = message.substr(0, message.find(" at /"));
    if (const auto source = text.find(".cxx:"); source != std::string::npos)
        text = text.substr(
            0, text.rfind(' ', source) == std::string::npos ? 0 : text.rfind(' ', source));
    while (!text.empty() && (text.back() == ' ' || text.back() == ':')) text.pop_back();
    if (text.empty() || text.find("bridge disposed") != std::string::npos)
        return "LibreOffice failed while " + what;
    return text;
}

namespace {

// Why an image could not be written into `directory`, as the OS says it, when the reason is one
// of the file system's (no room for another image, no permission); empty otherwise. The office
// itself only says that it failed.
std::string whyUnwritable(const std::string& directory) {
    const std::string probe = directory + "/.room-for-an-image";
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return std::strerror(errno);
    constexpr off_t ImageRoom = 512 * 1024;
    const int error = ::posix_fallocate(fd, 0, ImageRoom);
    ::close(fd);
    ::unlink(probe.c_str());
    return error == 0 || error == EOPNOTSUPP || error == EINVAL ? "" : std::strerror(error);
}

}  // namespace

void LibreOfficeApp::saveAs(const std::string& directory, int& formatNumber, bool) {
    requireDocument("SaveAs");
    const SaveFormat format = saveFormat(formatNumber);
    std::error_code error;
    if (!fs::is_directory(directory, error))
        throw AutomationError("SaveAs: the directory " + inQuotes(directory) + " does not exist");
    const int count = slideCount();
    SlideQueue queue(count);
    // One office draws one slide at a time: on a big deck a second one, headless, takes slides
    // from the other end on the other core. It only ever speeds things up: whatever it fails
    // to do, this office does.
    std::future<void> helper;
    if (count >= HelperMinSlides && std::thread::hardware_concurrency() >= 2)
        helper = startHelper(queue, directory, format);
    // Progress is told here, on the caller's thread, also for the slides the helper did.
    int reported = 0;
    const auto report = [&] {
        if (exportProgress_ && queue.done() != reported)
            exportProgress_(reported = queue.done(), count);
    };
    try {
        exportSlides(queue, directory, format, report);
        if (helper.valid()) {
            const auto graceEnd = std::chrono::steady_clock::now() + HelperGrace;
            while (helper.wait_for(100ms) != std::future_status::ready &&
                   std::chrono::steady_clock::now() < graceEnd)
                report();
            if (helper.wait_for(0ms) != std::future_status::ready) {
                queue.close();
                stopHelper();  // its slide is given back
                helper.wait();
            }
            report();
            exportSlides(queue, directory, format, report);
        }
    } catch (...) {
        queue.close();
        stopHelper();
        if (helper.valid())
            helper.wait();
        throw;
    }
}

void LibreOfficeApp::exportSlides(SlideQueue& queue, const std::string& directory,
                                  const SaveFormat& format, const std::function<void()>& report) {
    while (const std::optional<int> n = queue.takeFront()) {
        exportSlide(directory, *n, format);
        queue.markDone();
        report();
    }
}

void LibreOfficeApp::exportSlide(const std::string& directory, int n, const SaveFormat& format) {
    const std::string name = "Slide" + std::to_string(n) + "." + format.extension;
    const fs::path target = fs::path(directory) / name;
    // LibreOffice writes to a scratch name; only a complete file takes the slide's name.
    const fs::path scratch =
        fs::path(directory) / ("." + name + ".part-" + (role_ == Role::Helper ? "helper" : "main"));
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
        if (!exportFilter_.is())
            exportFilter_ = drawing::GraphicExportFilter::create(remote_);
        exportFilter_->setSourceDocument(Reference<lang::XComponent>(page, UNO_QUERY_THROW));
        if (!exportFilter_->filter(descriptor)) {
            std::error_code ignored;
            fs::remove(scratch, ignored);  // a partial image takes room the probe needs
            const std::string reason = whyUnwritable(directory);
            throw AutomationError("SaveAs: LibreOffice could not export slide " +
                                  std::to_string(n) + (reason.empty() ? "" : ": " + reason));
        }
        return 0;
    });
    std::error_code error;
    if (!fs::is_regular_file(scratch, error) || fs::file_size(scratch, error) == 0) {
        fs::remove(scratch, error);
        const std::string reason = whyUnwritable(directory);
        throw AutomationError("SaveAs: LibreOffice wrote no image for slide " + std::to_string(n) +
                              (reason.empty() ? "" : ": " + reason));
    }
    try {
        if (format.convertToBmp) {
            // Written beside, then renamed: the slide's name only ever holds a whole image.
            const fs::path bitmap = scratch.string() + ".bmp";
            cleanup.path = bitmap;
            writeBmp(readImage(scratch.string()), bitmap.string());
            fs::remove(scratch);
            fs::rename(bitmap, target);
        } else {
            fs::rename(scratch, target);
        }
    } catch (const std::exception& e) {
        fs::remove(scratch, error);
        const std::string reason = whyUnwritable(directory);
        throw AutomationError(std::string("SaveAs: ") + (reason.empty() ? e.what() : reason));
    }
}

}  // namespace platform::office
