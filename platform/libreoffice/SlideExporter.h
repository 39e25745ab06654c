#pragma once
// SaveAs: every slide of the open presentation into its own image file. The slides wait in one
// queue that the offices exporting them share: the main office takes from the front, the helper
// offices (started with it, for an export) from the back.
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "platform/Automation.h"
#include "platform/libreoffice/HelperOffice.h"
#include "platform/libreoffice/OfficeSession.h"
#include "platform/libreoffice/SlideFile.h"
#include "platform/libreoffice/SlideQueue.h"

namespace platform::office {

class SlideExporter {
  public:
    // `office` exports from the front of the queue; each of `helpers` (not yet launched) is
    // launched now and exports from the back.
    SlideExporter(OfficeSession& office, std::vector<std::unique_ptr<OfficeSession>> helpers);

    // The helpers open the presentation the main office opens.
    void open(const std::string& path);
    // Told after each exported slide, on the thread that calls saveAs.
    void setProgress(PresentationApp::ExportProgress report) { progress_ = std::move(report); }
    // The images' size in pixels (see PresentationApp::setExportSize).
    void setSize(PixelSize size) { size_ = size; }
    // The slides saveAs exports, in order (see PresentationApp::setExportSlides).
    void setSlides(std::vector<int> slides) { slides_ = std::move(slides); }
    void saveAs(const std::string& directory, int formatNumber);

    // Stops the helper offices at once, from any thread: what they are doing fails, fast.
    void stopHelpers();
    // Ends the helper offices and their threads.
    void dropHelpers();

  private:
    // The slides asked for, or every one; throws AutomationError for one the deck lacks.
    std::vector<int> slidesToExport();
    // Exports slides from the front of the queue, calling report after each.
    void exportFromFront(SlideQueue& queue, const std::string& directory, const SlideImage& image,
                         const std::function<void()>& report);
    // Once the main office found the queue empty: the helpers finish the slides they are
    // drawing (for a while), and a helper that is still starting is not waited for.
    void finishHelpers(SlideQueue& queue, std::vector<std::future<void>>& helpers,
                       const std::function<void()>& report);

    // The longest the end of an export waits for the helpers' last slides before doing them too.
    static constexpr std::chrono::milliseconds HelperGrace{1500};

    OfficeSession& office_;
    std::vector<std::unique_ptr<HelperOffice>> helpers_;
    PresentationApp::ExportProgress progress_;
    PixelSize size_;
    std::vector<int> slides_;  // empty: every slide
};

}  // namespace platform::office
