#include "platform/libreoffice/SlideFile.h"

#include <fcntl.h>
#include <unistd.h>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/drawing/XDrawPage.hpp>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/images/ImageFiles.h"

namespace platform::office {

namespace fs = std::filesystem;
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

// The pixel size of a slide of `width` x `height` (1/100 mm) drawn as asked.
PixelSize pixelSize(sal_Int32 width, sal_Int32 height, PixelSize asked) {
    if (asked.width > 0 || asked.height > 0)
        return FitSize({width, height}, asked);
    // 96 pixels per inch: a 10 x 7.5 inch slide gives 960 x 720.
    return {std::max(1, static_cast<int>(std::lround(width * 96 / 2540.0))),
            std::max(1, static_cast<int>(std::lround(height * 96 / 2540.0)))};
}

// The office draws slide `n` into the file at `url`.
void drawSlide(OfficeSession& office, const std::string& directory, int n, const SlideImage& image,
               const OUString& url, const fs::path& scratch) {
    office.bounded("exporting slide " + std::to_string(n), [&] {
        Reference<drawing::XDrawPage> page(office.pages()->getByIndex(n - 1), UNO_QUERY_THROW);
        Reference<beans::XPropertySet> size(page, UNO_QUERY_THROW);
        sal_Int32 width = 0, height = 0;
        size->getPropertyValue("Width") >>= width;  // 1/100 mm
        size->getPropertyValue("Height") >>= height;
        // The office draws at the size itself: a picture of the slide, never one scaled up.
        const PixelSize pixels = pixelSize(width, height, image.size);
        // Both sizes must be given, or LibreOffice ignores them.
        const Properties filterData = properties({
            prop("PixelWidth", uno::Any(sal_Int32(pixels.width))),
            prop("PixelHeight", uno::Any(sal_Int32(pixels.height))),
            prop("Quality", uno::Any(sal_Int32(90))),
            prop("Translucent", uno::Any(false)),
            prop("Interlaced", uno::Any(sal_Int32(0))),
            prop("Compression", uno::Any(sal_Int32(1))),
        });
        const Properties descriptor = properties({
            prop("URL", uno::Any(url)),
            prop("MediaType", uno::Any(OUString::createFromAscii(image.format.exportMime))),
            prop("FilterData", uno::Any(filterData)),
        });
        Reference<drawing::XGraphicExportFilter> filter = office.exportFilter();
        filter->setSourceDocument(Reference<lang::XComponent>(page, UNO_QUERY_THROW));
        if (!filter->filter(descriptor)) {
            std::error_code ignored;
            fs::remove(scratch, ignored);  // a partial image takes room the probe needs
            const std::string reason = whyUnwritable(directory);
            throw AutomationError("SaveAs: LibreOffice could not export slide " +
                                  std::to_string(n) + (reason.empty() ? "" : ": " + reason));
        }
        return 0;
    });
}

}  // namespace

void exportSlide(OfficeSession& office, const std::string& directory, int n,
                 const SlideImage& image, const std::string& writer) {
    const SaveFormat& format = image.format;
    const std::string name = "Slide" + std::to_string(n) + "." + format.extension;
    const fs::path target = fs::path(directory) / name;
    // The office draws in its own folder, where it may write; the image is copied to a scratch
    // name beside its target, and only a complete file takes the slide's name.
    const fs::path drawn = fs::path(office.drawingFolder()) / name;
    const fs::path scratch = fs::path(directory) / ("." + name + ".part-" + writer);
    struct Cleanup {
        std::vector<fs::path> paths;
        ~Cleanup() {
            std::error_code ignored;
            for (const fs::path& path : paths) fs::remove(path, ignored);
        }
    } cleanup{{drawn, scratch}};
    drawSlide(office, office.drawingFolder(), n, image, office.drawingUrl(name), drawn);
    std::error_code error;
    if (!fs::is_regular_file(drawn, error) || fs::file_size(drawn, error) == 0) {
        const std::string reason = whyUnwritable(office.drawingFolder());
        throw AutomationError("SaveAs: LibreOffice wrote no image for slide " + std::to_string(n) +
                              (reason.empty() ? "" : ": " + reason));
    }
    try {
        if (format.convertToBmp) {
            writeBmp(readImage(drawn.string()), scratch.string());
        } else {
            fs::copy_file(drawn, scratch, fs::copy_options::overwrite_existing);
            giveUsualPermissions(scratch.string());
        }
        fs::rename(scratch, target);
    } catch (const std::exception& e) {
        fs::remove(scratch, error);
        const std::string reason = whyUnwritable(directory);
        throw AutomationError(std::string("SaveAs: ") + (reason.empty() ? e.what() : reason));
    }
}

}  // namespace platform::office
