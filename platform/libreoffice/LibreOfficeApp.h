#pragma once
// The LibreOffice object behind PresentationApp: one office session (OfficeSession), the export
// of all slides with a helper office for big decks (SlideExporter), and the slide show
// (SlideShow). The process is OfficeProcess. Only the files of this folder see UNO headers:
// they clash with Qt's and X11's macros.
#include <memory>
#include <string>
#include <vector>

#include "platform/Automation.h"
#include "platform/libreoffice/LibreOfficeFactory.h"
#include "platform/libreoffice/MoveStages.h"
#include "platform/libreoffice/OfficeSession.h"
#include "platform/libreoffice/ShowScreenWait.h"
#include "platform/libreoffice/SlideExporter.h"
#include "platform/libreoffice/SlideShow.h"

namespace platform::office {

// The offices of an export, not yet launched: `offices` headless ones, the first exporting from the
// front of the slides, the others helpers that yield the processor to it while it starts.
std::vector<std::unique_ptr<OfficeSession>> exportSessions(const std::string& program,
                                                           OfficeBounds bounds, int offices);

class LibreOfficeApp : public PresentationApp, public MoveStagesSource {
  public:
    // Starts the office at once. `headless`: no display at all; with `showDisplay`, the office
    // and its slide show are on that X display.
    LibreOfficeApp(const std::string& program, OfficeBounds bounds, bool headless,
                   const std::string& showDisplay);
    // An object that only exports: the headless offices of `sessions` (see exportSessions;
    // launched or not) share the slides of SaveAs, the first from the front; it shows no slide
    // show.
    explicit LibreOfficeApp(std::vector<std::unique_ptr<OfficeSession>> sessions);
    ~LibreOfficeApp() override;

    void setVisible(bool visible) override;
    void openPresentation(const std::string& path, bool, bool, bool) override;
    void setAdvanceMode(int mode) override { show_.setAdvanceMode(mode); }
    void runSlideShow() override { show_.request(); }
    int slideCount() override { return session_->slideCount(); }
    void setExportProgress(ExportProgress report) override {
        exporter_.setProgress(std::move(report));
    }
    void setExportSize(int width, int height) override { exporter_.setSize({width, height}); }
    void setExportSlides(const std::vector<int>& slides) override { exporter_.setSlides(slides); }
    void saveAs(const std::string& directory, int& formatNumber, bool) override {
        exporter_.saveAs(directory, formatNumber);
    }
    void goToSlide(int slideNumber) override { show_.goToSlide(slideNumber); }
    MoveStages lastMoveStages() const override { return show_.lastMoveStages(); }
    bool slideIsBlack(int slideNumber) override;
    void quit() override;

  private:
    // Starts the main office and launches the helpers beside it.
    void start();
    // The wait for the show's window on its display: the window the office opens after now.
    std::unique_ptr<ShowScreenWait> watchShowWindow();

    const std::string showDisplay_;  // empty: ours
    const bool exportOnly_;
    std::unique_ptr<OfficeSession> session_;
    SlideExporter exporter_;
    SlideShow show_;
    bool visible_ = false;
};

}  // namespace platform::office
