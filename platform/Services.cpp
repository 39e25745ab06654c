#include "platform/Services.h"

#include <stdexcept>
#include <string>

namespace platform {
namespace {

Services installed;

template <typename T>
T& require(T* service, const char* name) {
    if (service == nullptr) {
        throw std::logic_error(std::string("platform service not installed: ") + name);
    }
    return *service;
}

}  // namespace

const Services& services() {
    return installed;
}
void installServices(const Services& chosen) {
    installed = chosen;
}

Dialogs& dialogs() {
    return require(installed.dialogs, "Dialogs");
}
Clock& clock() {
    return require(installed.clock, "Clock");
}
Shell& shell() {
    return require(installed.shell, "Shell");
}
EventPump& events() {
    return require(installed.events, "EventPump");
}
Input& input() {
    return require(installed.input, "Input");
}
Clipboard& clipboard() {
    return require(installed.clipboard, "Clipboard");
}
AutomationFactory& automation() {
    return require(installed.automation, "AutomationFactory");
}

}  // namespace platform
