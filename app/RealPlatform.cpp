#include "app/RealPlatform.h"

#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "platform/ConsoleDialogs.h"
#include "platform/QtEventPump.h"
#include "platform/QtShell.h"
#include "platform/QuietDialogs.h"
#include "platform/RealClock.h"
#include "platform/Services.h"
#include "platform/libreoffice/LibreOfficeFactory.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtDialogs.h"
#include "platform/x11/ScreenGrab.h"
#include "platform/x11/X11Input.h"

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

void prepareQtPlatform(bool display, bool consoleMessages) {
    if (!display)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (display && !consoleMessages)
        return;
    // Standard error belongs to the program's own messages in an unattended run: Qt's remark
    // about a missing runtime directory (usual for root and in containers) is not one of them.
    static const QtMessageHandler qtDefault = qInstallMessageHandler(nullptr);
    qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
            if (type == QtWarningMsg && text.startsWith(QStringLiteral("QStandardPaths: ")))
                return;
            qtDefault(type, context, text);
        });
}

void installRealServices(bool display, DialogChoice choice) {
    // They live as long as the process: services are used until the very end.
    static platform::QtDialogs windowDialogs;
    // Asked for no dialogs, the program asks nothing, not even on a terminal.
    static platform::ConsoleDialogs consoleDialogs(choice.noDialogs ? nullptr : stdin, stderr);
    static platform::RealClock clock;
    static platform::QtShell shell;
    static platform::QtEventPump events;
    static platform::LibreOfficeFactory office;
    static std::unique_ptr<platform::X11Input> input;
    static std::unique_ptr<platform::ScreenGrabber> screen;
    static platform::QtClipboard clipboard;

    platform::Services chosen = platform::services();
    platform::Dialogs& shown = display && !choice.noDialogs
                                   ? static_cast<platform::Dialogs&>(windowDialogs)
                                   : consoleDialogs;
    static platform::QuietDialogs quietDialogs(shown);
    chosen.dialogs = choice.quiet ? &quietDialogs : &shown;
    chosen.clock = &clock;
    chosen.shell = &shell;
    chosen.events = &events;
    chosen.automation = &office;
    chosen.clipboard = &clipboard;
    // Key injection and screen capture need an X server; without one only whole presentations
    // can be converted.
    if (display && std::getenv("DISPLAY") != nullptr) {
        try {
            input = std::make_unique<platform::X11Input>();
            screen = std::make_unique<platform::ScreenGrabber>();
            // X does nothing on Print Screen; do what other desktops do: the screen, as a
            // bitmap, onto the clipboard.
            input->setPrintScreenHandler([] { clipboard.setBitmap(screen->grab()); });
            chosen.input = input.get();
        } catch (const std::runtime_error& error) {
            std::fprintf(stderr, "deckshot: no key injection or screen capture: %s\n",
                         error.what());
        }
    }
    platform::installServices(chosen);
}

}  // namespace app
