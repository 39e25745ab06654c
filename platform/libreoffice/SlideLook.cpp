#include "platform/libreoffice/SlideLook.h"

#include <unistd.h>
#include <com/sun/star/drawing/XDrawPage.hpp>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/images/ImageFiles.h"

namespace platform::office {

namespace fs = std::filesystem;

namespace {

// Small enough to be quick, large enough that a thin line of colour still shows.
constexpr sal_Int32 LookWidth = 160;
constexpr sal_Int32 LookHeight = 120;
// Anti-aliasing of a black slide's edges stays below this in every channel.
constexpr int NearlyBlack = 8;

// A file of our own for the office to draw into, in its own folder (it may write nowhere
// else); removed with this object.
class ScratchPicture {
  public:
    explicit ScratchPicture(OfficeSession& office) {
        path_ = office.drawingFolder() + "/look-XXXXXX.png";
        const int fd = ::mkstemps(path_.data(), 4);
        if (fd < 0)
            throw AutomationError("no room for a picture of a slide in " + office.drawingFolder());
        ::close(fd);
    }
    ~ScratchPicture() { ::unlink(path_.c_str()); }
    ScratchPicture(const ScratchPicture&) = delete;
    ScratchPicture& operator=(const ScratchPicture&) = delete;

    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

}  // namespace

bool slideDrawsBlack(OfficeSession& office, int n) {
    const ScratchPicture picture(office);
    const rtl::OUString url = office.drawingUrl(fs::path(picture.path()).filename().string());
    office.bounded("drawing slide " + std::to_string(n) + " on its own", [&] {
        Reference<drawing::XDrawPage> page(office.pages()->getByIndex(n - 1), UNO_QUERY_THROW);
        const Properties filterData = properties({
            prop("PixelWidth", uno::Any(LookWidth)),
            prop("PixelHeight", uno::Any(LookHeight)),
        });
        const Properties descriptor = properties({
            prop("URL", uno::Any(url)),
            prop("MediaType", uno::Any(rtl::OUString("image/png"))),
            prop("FilterData", uno::Any(filterData)),
        });
        Reference<drawing::XGraphicExportFilter> filter = office.exportFilter();
        filter->setSourceDocument(Reference<lang::XComponent>(page, UNO_QUERY_THROW));
        if (!filter->filter(descriptor))
            throw AutomationError("LibreOffice could not draw slide " + std::to_string(n));
        return 0;
    });
    const RgbImage look = readImage(picture.path());
    return !look.empty() &&
           std::all_of(look.pixels.begin(), look.pixels.end(),
                       [](std::uint8_t channel) { return channel <= NearlyBlack; });
}

}  // namespace platform::office
