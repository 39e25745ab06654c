#include "app/RealPlatform.h"

#include <QGuiApplication>
#include <QScreen>
#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "platform/ConsoleDialogs.h"
#include "platform/QtEventPump.h"
#include "platform/QtShell.h"
#include "platform/RealClock.h"
#include "platform/Services.h"
#include "platform/ShowScreen.h"
#include "platform/libreoffice/LibreOfficeFactory.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtDialogs.h"
#include "platform/x11/PrivateScreen.h"
#include "platform/x11/ScreenGrab.h"
#include "platform/x11/X11Input.h"

namespace app {
namespace {

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// The slide show's screen: the user's X screen, whose injection and capture start-up set up,
// or a private one with injection and capture of its own for as long as it is open.
class RealShowScreen : public platform::ShowScreen {
  public:
    explicit RealShowScreen(platform::QtClipboard& clipboard, bool userScreenKnown)
        : clipboard_(clipboard), userScreenKnown_(userScreenKnown) {}

    std::string open() override {
        if (!opened_.empty())
            return opened_;
        if (!platform::needsPrivateScreen(std::getenv("DISPLAY"), std::getenv("XDG_SESSION_TYPE"),
                                          std::getenv("DECKSHOT_SCREEN"))) {
            if (platform::services().input == nullptr)
                throw std::runtime_error("no key injection or screen capture on the X display");
            opened_ = std::getenv("DISPLAY");
            return opened_;
        }
        screen_ = std::make_unique<platform::PrivateScreen>(size());
        try {
            input_ = std::make_unique<platform::X11Input>(screen_->displayName().c_str());
            grabber_ = std::make_unique<platform::ScreenGrabber>(screen_->displayName().c_str());
        } catch (...) {
            close();
            throw;
        }
        input_->setPrintScreenHandler([this] { clipboard_.setBitmap(grabber_->grab()); });
        platform::Services chosen = platform::services();
        userInput_ = chosen.input;
        chosen.input = input_.get();
        platform::installServices(chosen);
        opened_ = screen_->displayName();
        return opened_;
    }

    std::string openedDisplay() const override { return opened_; }

    void close() override {
        if (input_) {
            platform::Services chosen = platform::services();
            chosen.input = userInput_;
            platform::installServices(chosen);
        }
        input_.reset();
        grabber_.reset();
        screen_.reset();
        opened_.clear();
    }

    ~RealShowScreen() override { close(); }

  private:
    platform::ScreenSize size() const {
        platform::ScreenSize user;
        const QScreen* screen = userScreenKnown_ ? QGuiApplication::primaryScreen() : nullptr;
        if (screen != nullptr) {
            const QSize pixels = screen->size() * screen->devicePixelRatio();
            user = {pixels.width(), pixels.height()};
        }
        return platform::privateScreenSize(std::getenv("DECKSHOT_SCREEN_SIZE"),
                                           screen != nullptr ? &user : nullptr);
    }

    platform::QtClipboard& clipboard_;
    const bool userScreenKnown_;
    std::string opened_;
    std::unique_ptr<platform::PrivateScreen> screen_;
    std::unique_ptr<platform::X11Input> input_;
    std::unique_ptr<platform::ScreenGrabber> grabber_;
    platform::Input* userInput_ = nullptr;
};

}  // namespace

bool displayAvailable() {
    if (isSet("QT_QPA_PLATFORM") && std::string(std::getenv("QT_QPA_PLATFORM")) == "offscreen") {
        return false;
    }
    return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
}

void prepareQtPlatform(bool display) {
    if (display)
        return;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
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

void installRealServices(bool display) {
    // They live as long as the process: services are used until the very end.
    static platform::QtDialogs windowDialogs;
    static platform::ConsoleDialogs consoleDialogs;
    static platform::RealClock clock;
    static platform::QtShell shell;
    static platform::QtEventPump events;
    static platform::LibreOfficeFactory office;
    static std::unique_ptr<platform::X11Input> input;
    static std::unique_ptr<platform::ScreenGrabber> screen;
    static platform::QtClipboard clipboard;
    static RealShowScreen showScreen(clipboard, display);

    platform::Services chosen = platform::services();
    chosen.dialogs = display ? static_cast<platform::Dialogs*>(&windowDialogs) : &consoleDialogs;
    chosen.clock = &clock;
    chosen.shell = &shell;
    chosen.events = &events;
    chosen.automation = &office;
    chosen.clipboard = &clipboard;
    chosen.showScreen = &showScreen;
    office.setShowDisplay([] { return showScreen.openedDisplay(); });
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
