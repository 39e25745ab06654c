#pragma once
// Hands out LibreOffice Impress as "PowerPoint.Application". Each object runs its own office
// process with a private, temporary profile, reached over a named pipe; the process ends when
// the object quits or is released. Free of UNO headers so that any code may include it.
//
// Every office call is bounded: DECKSHOT_OFFICE_TIMEOUT (seconds, default 60) limits start-up,
// opening, each exported slide and each slide-show move. Past the bound the office is killed and
// the call throws AutomationError saying what timed out.
#include <functional>
#include <string>

#include "platform/Automation.h"

namespace platform {

class LibreOfficeFactory : public AutomationFactory {
  public:
    static constexpr const char* DefaultProgram = "/usr/lib/libreoffice/program/soffice.bin";

    explicit LibreOfficeFactory(std::string officeProgram = DefaultProgram)
        : program_(std::move(officeProgram)) {}

    std::unique_ptr<PresentationApp> create(const std::string& programmaticId) override;

    // The X display of an open slide-show screen (empty: none); the office made while one is
    // open draws there.
    void setShowDisplay(std::function<std::string()> showDisplay) {
        showDisplay_ = std::move(showDisplay);
    }

  private:
    std::string program_;
    std::function<std::string()> showDisplay_;
};

// The bound of one office call, in seconds, as DECKSHOT_OFFICE_TIMEOUT sets it (read at every
// call, so a test can tighten it for one call); malformed or non-positive values give 60.
double officeCallTimeoutSeconds();

}  // namespace platform
