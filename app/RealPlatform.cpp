#include "app/RealPlatform.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QLibraryInfo>
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
#include "platform/QuietDialogs.h"
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

bool xServerAnswers() {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool answers = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return answers;
}

// A Wayland compositor listens on the socket, and Qt has a platform plugin to speak to it.
bool waylandUsable() {
    const std::string name = std::getenv("WAYLAND_DISPLAY");
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string path =
        name.front() == '/' ? name : std::string(runtime ? runtime : "") + "/" + name;
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    path.copy(address.sun_path, path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool listening =
        fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        ::close(fd);
    const QString plugins = QLibraryInfo::path(QLibraryInfo::PluginsPath);
    return listening && !plugins.isEmpty() &&
           ::access((plugins + QStringLiteral("/platforms/libqwayland-generic.so")).toLocal8Bit(),
                    R_OK) == 0;
}

// Why the display the environment names cannot show a window (Qt would abort on it); empty
// when it can. A display that cannot be used is dropped from the environment, so that nothing
// started later (Qt, the office) tries it.
std::string unusableDisplay() {
    std::string reason;
    if (isSet("DISPLAY") && !xServerAnswers()) {
        reason = std::string("the X display \"") + std::getenv("DISPLAY") + "\" does not answer";
        ::unsetenv("DISPLAY");
    }
    if (isSet("WAYLAND_DISPLAY") && !waylandUsable()) {
        reason += (reason.empty() ? "" : ", ") + std::string("the Wayland display \"") +
                  std::getenv("WAYLAND_DISPLAY") + "\" cannot be used";
        ::unsetenv("WAYLAND_DISPLAY");
    }
    return reason;
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
    if (!isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY"))
        return false;
    const std::string reason = unusableDisplay();
    if (reason.empty())
        return true;
    if (!isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "deckshot: no usable display (%s): messages go to standard error\n",
                     reason.c_str());
        return false;
    }
    return true;
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

void installRealServices(bool display, DialogChoice choice, double officeTimeout) {
    // They live as long as the process: services are used until the very end.
    static platform::QtDialogs windowDialogs;
    // Asked for no dialogs, the program asks nothing, not even on a terminal.
    static platform::ConsoleDialogs consoleDialogs(choice.noDialogs ? nullptr : stdin, stderr);
    static platform::RealClock clock;
    static platform::QtShell shell;
    static platform::QtEventPump events;
    static platform::LibreOfficeFactory office(platform::LibreOfficeFactory::DefaultProgram,
                                               {officeTimeout});
    static std::unique_ptr<platform::X11Input> input;
    static std::unique_ptr<platform::ScreenGrabber> screen;
    static platform::QtClipboard clipboard;
    static RealShowScreen showScreen(clipboard, display);

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
