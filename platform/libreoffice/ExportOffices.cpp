#include "platform/libreoffice/ExportOffices.h"

#include "platform/libreoffice/LibreOfficeApp.h"
#include "platform/libreoffice/OfficeProcess.h"

namespace platform {

ExportOffices::ExportOffices(const std::string& program, OfficeBounds bounds, int offices)
    : count_(offices) {
    sessions_ = office::exportSessions(program, bounds, offices);
    for (const std::unique_ptr<office::OfficeSession>& session : sessions_) session->launch();
    // Once the offices start: what earlier runs left never delays them, and their own profiles
    // are locked.
    office::OfficeProcess::reclaimLeftovers();
}

ExportOffices::~ExportOffices() {
    for (const std::unique_ptr<office::OfficeSession>& session : sessions_) session->endAtOnce();
}

std::vector<std::unique_ptr<office::OfficeSession>> ExportOffices::take() {
    return std::move(sessions_);
}

}  // namespace platform
