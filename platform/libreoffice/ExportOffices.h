#pragma once
// The offices of an export, started before anyone asks for them: they begin their start-up while
// the program itself still starts, and the run's export takes them. Free of UNO headers.
#include <memory>
#include <string>
#include <vector>

#include "platform/libreoffice/LibreOfficeFactory.h"

namespace platform {

namespace office {
class OfficeSession;
}

class ExportOffices {
  public:
    // Starts `offices` headless offices now (see office::exportSessions).
    ExportOffices(const std::string& program, OfficeBounds bounds, int offices);
    // Ends the offices nobody took.
    ~ExportOffices();
    ExportOffices(const ExportOffices&) = delete;
    ExportOffices& operator=(const ExportOffices&) = delete;

    int count() const { return count_; }
    // The offices' sessions, launched; empty once taken.
    std::vector<std::unique_ptr<office::OfficeSession>> take();

  private:
    const int count_;
    std::vector<std::unique_ptr<office::OfficeSession>> sessions_;
};

}  // namespace platform
