#pragma once
// The presentation application as the export engine sees it: the members it calls late-bound on
// the automation object, in the order it calls them. Every failure is an exception
// (AutomationError) whose text can be shown to the user as it stands.
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform {

class AutomationError : public std::runtime_error {
  public:
    explicit AutomationError(const std::string& what, bool applicationLost = false)
        : std::runtime_error(what), applicationLost_(applicationLost) {}
    // The application ended or stopped answering: nothing more can be asked of it.
    bool applicationLost() const { return applicationLost_; }

  private:
    bool applicationLost_;
};

// Format numbers of SaveAs.
inline constexpr int SaveAsGif = 16;
inline constexpr int SaveAsJpeg = 17;
inline constexpr int SaveAsPng = 18;
inline constexpr int SaveAsBmp = 19;

class PresentationApp {
  public:
    // Releasing the object without Quit must still end the application.
    virtual ~PresentationApp() = default;

    virtual void setVisible(bool visible) = 0;  // App.Visible
    virtual void openPresentation(const std::string& path, bool readOnly, bool untitled,
                                  bool withWindow) = 0;  // App.Presentations.Open
    virtual void setAdvanceMode(int mode) = 0;  // ActivePresentation.SlideShowSettings.AdvanceMode
    virtual void runSlideShow() = 0;            // ActivePresentation.SlideShowSettings.Run
    virtual int slideCount() = 0;               // ActivePresentation.Slides.Count
    // Called on the caller's thread while SaveAs runs, after each exported slide: how many
    // are done, of how many. Optional: an application that cannot tell simply never calls it.
    using ExportProgress = std::function<void(int done, int count)>;
    virtual void setExportProgress(ExportProgress report) { (void)report; }
    // The size SaveAs draws each slide at, in pixels: with one side 0 the other follows the
    // slide's aspect; with both the image fits inside them without distortion. Until it is
    // called, the slide's own size at 96 pixels per inch. An application that cannot tell
    // ignores it.
    virtual void setExportSize(int width, int height) { (void)width, (void)height; }
    // The slides SaveAs exports, in order, each a slide of the presentation; until it is
    // called, every slide. An application that cannot choose exports them all.
    virtual void setExportSlides(const std::vector<int>& slides) { (void)slides; }
    // ActivePresentation.SaveAs: leaves "Slide<n>.<jpg|bmp|gif|png>" for every slide in directory.
    virtual void saveAs(const std::string& directory, int& formatNumber, bool embedFonts) = 0;
    // ActivePresentation.SlideShowWindow.View.GoToSlide: returns once the slide is on screen.
    virtual void goToSlide(int slideNumber) = 0;
    // Whether the slide, drawn on its own, is black all over: a capture of it that is all black
    // then shows the slide, not a screen that showed nothing. An application that cannot tell
    // says no.
    virtual bool slideIsBlack(int slideNumber) {
        (void)slideNumber;
        return false;
    }
    virtual void quit() = 0;  // App.Quit
};

class AutomationFactory {
  public:
    virtual ~AutomationFactory() = default;
    // Creates the object registered under the programmatic identifier; throws AutomationError.
    virtual std::unique_ptr<PresentationApp> create(const std::string& programmaticId) = 0;
};

inline constexpr const char* PresentationProgId = "PowerPoint.Application";

}  // namespace platform
