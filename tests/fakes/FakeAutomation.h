#pragma once
// A recording stand-in for the presentation application: every call is logged with its
// arguments in order, any call can be scripted to fail, SaveAs leaves small distinct
// Slide<n>.<ext> files, and GoToSlide fails as the real one does.
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/Automation.h"

namespace fakes {

struct AutomationScript {
    int slideCount = 3;
    std::string failAt;  // call name, e.g. "openPresentation"; throws AutomationError
    std::string failMessage = "scripted failure";
    int showEndsAfterMoves = -1;         // after this many successful moves the user ends the show
    int applicationLostAfterMoves = -1;  // after this many moves the application is gone
    bool createFails = false;            // the factory cannot create the object
    // What SaveAs writes for a slide; by default a text naming the format and the slide.
    std::function<std::string(int slide, const std::string& extension)> exportedContent;
    // Runs at every call, before it does anything, with the call's name.
    std::function<void(const std::string& call)> onCall;
    // Runs after every successful move of the show, e.g. to put that slide on a fake screen.
    std::function<void(int slide)> onSlideShown;
    std::set<int> blackSlides;  // slides that are black all over
};

class FakeAutomation;

// Shared by the factory and the objects it makes, so a test can read the log after the engine
// dropped the object.
struct AutomationLog {
    std::vector<std::string> calls;  // e.g. "openPresentation(/x.ppt,0,0,1)"
    int created = 0;
    int released = 0;
};

class FakePresentationApp : public platform::PresentationApp {
  public:
    FakePresentationApp(AutomationScript script, std::shared_ptr<AutomationLog> log);
    ~FakePresentationApp() override;

    void setVisible(bool visible) override;
    void openPresentation(const std::string& path, bool readOnly, bool untitled,
                          bool withWindow) override;
    void setAdvanceMode(int mode) override;
    void runSlideShow() override;
    int slideCount() override;
    void setExportProgress(ExportProgress report) override { exportProgress_ = std::move(report); }
    void setExportSize(int width, int height) override;
    void setExportSlides(const std::vector<int>& slides) override;
    void saveAs(const std::string& directory, int& formatNumber, bool embedFonts) override;
    void goToSlide(int slideNumber) override;
    bool slideIsBlack(int slideNumber) override;
    void quit() override;

  private:
    void record(const std::string& name, const std::string& arguments = "");

    AutomationScript script_;
    std::shared_ptr<AutomationLog> log_;
    ExportProgress exportProgress_;
    std::vector<int> exportSlides_;  // empty: every slide
    int moves_ = 0;
    bool showRunning_ = false;
};

class FakeAutomation : public platform::AutomationFactory {
  public:
    std::unique_ptr<platform::PresentationApp> create(const std::string& programmaticId) override;

    AutomationScript script;
    std::shared_ptr<AutomationLog> log = std::make_shared<AutomationLog>();
    std::vector<std::string> requestedIds;
};

}  // namespace fakes
