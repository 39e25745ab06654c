#pragma once
// SaveAs: every slide of the open presentation into its own image file. The slides wait in one
// queue that the offices exporting them share: the main office takes from the front, and on a
// big deck a helper office takes from the back.
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "platform/Automation.h"
#include "platform/libreoffice/HelperOffice.h"
#include "platform/libreoffice/OfficeSession.h"
#include "platform/libreoffice/SlideFile.h"
#include "platform/libreoffice/SlideQueue.h"

namespace platform::office {

class SlideExporter {
  public:
    // `office` has the presentation open; `makeHelper` makes the session of a helper office.
    SlideExporter(OfficeSession& office, HelperOffice::SessionMaker makeHelper);

    // Told after each exported slide, on the thread that calls saveAs.
    void setProgress(PresentationApp::ExportProgress report) { progress_ = std::move(report); }
    void saveAs(const std::string& directory, int formatNumber);

    // Stops the helper office at once, from any thread: what it is doing fails, fast.
    void stopHelpers();
    // Ends the helper office and its thread, if there are any.
    void dropHelpers();

  private:
    // Exports slides from the front of the queue, calling report after each.
    void exportFromFront(SlideQueue& queue, const std::string& directory, const SaveFormat& format,
                         const std::function<void()>& report);

    // Below this many slides a helper office would not pay for its start-up: it helps only
    // about a second after the export begins (start and open of a 120-slide deck), while one
    // office exports a plain slide in 30-40 ms, so the break-even is near 30 slides; the rest
    // is margin for the two offices sharing two cores.
    static constexpr int HelperMinSlides = 40;
    // The longest the end of an export waits for the helper's last slide before doing it too.
    static constexpr std::chrono::milliseconds HelperGrace{1500};

    OfficeSession& office_;
    HelperOffice::SessionMaker makeHelper_;
    PresentationApp::ExportProgress progress_;
    std::unique_ptr<HelperOffice> helper_;
};

}  // namespace platform::office
