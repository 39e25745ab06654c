#include "app/RealPlatform.h"

#include <cstdlib>

#include "platform/ConsoleDialogs.h"
#include "platform/QtEventPump.h"
#include "platform/QtShell.h"
#include "platform/RealClock.h"
#include "platform/Services.h"
#include "platform/qt/QtDialogs.h"

namespace app {
namespace {

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

}  // namespace

bool displayAvailable() {
    if (isSet("QT_QPA_PLATFORM") && std::string(std::getenv("QT_QPA_PLATFORM")) == "offscreen") {
        return false;
    }
    return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
}

void prepareQtPlatform(bool display) {
    if (!display)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

void installRealServices(bool display) {
    // They live as long as the process: services are used until the very end.
    static platform::QtDialogs windowDialogs;
    static platform::ConsoleDialogs consoleDialogs;
    static platform::RealClock clock;
    static platform::QtShell shell;
    static platform::QtEventPump events;

    platform::Services chosen = platform::services();
    chosen.dialogs = display ? static_cast<platform::Dialogs*>(&windowDialogs) : &consoleDialogs;
    chosen.clock = &clock;
    chosen.shell = &shell;
    chosen.events = &events;
    platform::installServices(chosen);
}

}  // namespace app
