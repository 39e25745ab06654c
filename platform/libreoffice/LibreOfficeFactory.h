#pragma once
// Hands out LibreOffice Impress as "PowerPoint.Application". Each object runs its own office
// process with a private, temporary profile, reached over a named pipe; the process ends when
// the object quits or is released. Free of UNO headers so that any code may include it.
//
// Every office call is bounded (start-up, opening, each exported slide, each slide-show move).
// Past the bound the office is killed and the call throws AutomationError saying what timed out.
#include <functional>
#include <memory>
#include <string>

#include "platform/Automation.h"

namespace platform {

// Seconds that one office call may take.
struct OfficeBounds {
    double call = 60;
    double start = call;  // the start of the office, when it should differ
};

class ExportOffices;

class LibreOfficeFactory : public AutomationFactory {
  public:
    static constexpr const char* DefaultProgram = "/usr/lib/libreoffice/program/soffice.bin";

    explicit LibreOfficeFactory(std::string officeProgram = DefaultProgram,
                                OfficeBounds bounds = {});
    ~LibreOfficeFactory() override;

    std::unique_ptr<PresentationApp> create(const std::string& programmaticId) override;

    // The X display of an open slide-show screen (empty: none); the office made while one is
    // open draws there.
    void setShowDisplay(std::function<std::string()> showDisplay) {
        showDisplay_ = std::move(showDisplay);
    }

    // The objects made from now on only export, never show: headless whatever the display (no
    // window of the office appears), and `offices` offices (at least 1) started at once share
    // a deck's slides from the first slide on. The next object takes the offices of `started`
    // when it holds that many.
    void exportOnly(int offices);
    void exportOnly(int offices, std::unique_ptr<ExportOffices> started);

  private:
    std::string program_;
    OfficeBounds bounds_;
    std::function<std::string()> showDisplay_;
    int exportOffices_ = 0;  // 0: the objects may show a slide show
    std::unique_ptr<ExportOffices> started_;
};

// How many offices export a deck side by side when nobody says: one per core, as far as the
// free memory holds them.
int defaultExportOffices();

// The bound that DECKSHOT_OFFICE_TIMEOUT sets, in seconds (60 when it is not set): read once, at
// start. A value that is not a number of seconds from 0.01 to a day throws std::invalid_argument
// with a text for the user.
double officeTimeoutFromEnvironment();

}  // namespace platform
