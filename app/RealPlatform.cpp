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

#include "app/CommandLine.h"
#include "app/Conversion.h"
#include "platform/ConsoleDialogs.h"
#include "platform/ProgramClipboard.h"
#include "platform/QtEventPump.h"
#include "platform/QtShell.h"
#include "platform/QuietDialogs.h"
#include "platform/RealClock.h"
#include "platform/RunPlatform.h"
#include "platform/libreoffice/ExportOffices.h"
#include "platform/libreoffice/LibreOfficeFactory.h"
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

// One run's platform: an office of its own, and for a range the injection into the show's
// screen. A private screen, with its injection and capture, lives exactly as long as the run.
class RealRun : public platform::RunPlatform {
  public:
    RealRun(platform::OfficeBounds bounds, platform::ProgramClipboard& clipboard)
        : office_(platform::LibreOfficeFactory::DefaultProgram, bounds), clipboard_(clipboard) {}

    // The show runs on the user's X screen, with the injection start-up set up there.
    void showOnDesktop(platform::Input& input, const std::string& display) {
        input_ = &input;
        showOn(display);
    }

    // The show runs on a private screen, started now.
    void showOnPrivateScreen(platform::ScreenSize size) {
        screen_ = std::make_unique<platform::PrivateScreen>(size);
        const char* name = screen_->displayName().c_str();
        privateInput_ = std::make_unique<platform::X11Input>(name);
        grabber_ = std::make_unique<platform::ScreenGrabber>(name);
        privateInput_->setPrintScreenHandler([this] { clipboard_.setBitmap(grabber_->grab()); });
        input_ = privateInput_.get();
        showOn(screen_->displayName());
    }

    // An export needs no screen: its offices are headless, also under a display. It takes the
    // offices started for it, when there are such.
    void exportOnly(int offices, std::unique_ptr<platform::ExportOffices> started) {
        office_.exportOnly(offices, std::move(started));
    }

    platform::AutomationFactory& office() override { return office_; }
    platform::Input& input() override {
        if (input_ == nullptr)
            throw std::logic_error("a run of all slides injects no keys");
        return *input_;
    }
    platform::Clipboard& clipboard() override { return clipboard_; }
    bool screenLost() override { return grabber_ && grabber_->serverGone(); }

  private:
    // The office made for this run draws its show there.
    void showOn(const std::string& display) {
        office_.setShowDisplay([display] { return display; });
    }

    // Ended in the reverse order: the injection and the grabber before their screen.
    std::unique_ptr<platform::PrivateScreen> screen_;
    std::unique_ptr<platform::ScreenGrabber> grabber_;
    std::unique_ptr<platform::X11Input> privateInput_;
    platform::LibreOfficeFactory office_;
    platform::ProgramClipboard& clipboard_;
    platform::Input* input_ = nullptr;
};

// Where the show of a range runs: the user's X screen, or a private one (needsPrivateScreen).
class RealRunFactory : public platform::RunPlatformFactory {
  public:
    RealRunFactory(platform::OfficeBounds bounds, platform::ProgramClipboard& clipboard,
                   platform::Input* desktopInput, bool userScreenKnown,
                   std::unique_ptr<platform::ExportOffices> started)
        : bounds_(bounds),
          clipboard_(clipboard),
          desktopInput_(desktopInput),
          userScreenKnown_(userScreenKnown),
          started_(std::move(started)) {}

    std::unique_ptr<platform::RunPlatform> open(bool slideRange, int offices) override {
        // A picture of an earlier run is never taken for one of this run.
        clipboard_.setBitmap(platform::RgbImage{});
        auto run = std::make_unique<RealRun>(bounds_, clipboard_);
        if (!slideRange) {
            run->exportOnly(offices > 0 ? offices : platform::defaultExportOffices(),
                            std::move(started_));
            return run;
        }
        started_.reset();  // a range shows its slides through one office of its own
        if (platform::needsPrivateScreen(std::getenv("DISPLAY"), std::getenv("XDG_SESSION_TYPE"),
                                         std::getenv("DECKSHOT_SCREEN"))) {
            run->showOnPrivateScreen(privateSize());
        } else if (desktopInput_ != nullptr) {
            run->showOnDesktop(*desktopInput_, std::getenv("DISPLAY"));
        } else {
            throw std::runtime_error("no key injection or screen capture on the X display");
        }
        return run;
    }

  private:
    // A size asked for that the show cannot draw is refused before anything starts; the
    // user's own screen, when that large, is halved until it can be drawn.
    platform::ScreenSize privateSize() const {
        const char* asked = std::getenv("DECKSHOT_SCREEN_SIZE");
        if (!fitsTheShow(platform::privateScreenSize(asked, nullptr)))
            throw std::runtime_error(
                "DECKSHOT_SCREEN_SIZE=" + std::string(asked) +
                " is larger than the office's slide show reliably draws: at most " +
                std::to_string(LargestShowArea) + " pixels, such as 3600x2100");
        platform::ScreenSize user;
        const QScreen* screen = userScreenKnown_ ? QGuiApplication::primaryScreen() : nullptr;
        if (screen != nullptr) {
            const QSize pixels = screen->size() * screen->devicePixelRatio();
            user = {pixels.width(), pixels.height()};
        }
        platform::ScreenSize size =
            platform::privateScreenSize(asked, screen != nullptr ? &user : nullptr);
        while (!fitsTheShow(size)) size = {size.width / 2, size.height / 2};
        return size;
    }

    // On a larger private screen the office's slide show may draw nothing at all, on every
    // slide and for as long as one waits. Measured on two busy cores: 3600x2100 and smaller were
    // drawn in every run; 3840x2160 only while the machine was not busy; 4096x4096 and
    // 5120x2880 never. The office says nothing about it.
    static constexpr long LargestShowArea = 3600L * 2100;
    static bool fitsTheShow(platform::ScreenSize size) {
        return static_cast<long>(size.width) * size.height <= LargestShowArea;
    }

    const platform::OfficeBounds bounds_;
    platform::ProgramClipboard& clipboard_;
    platform::Input* const desktopInput_;
    const bool userScreenKnown_;
    std::unique_ptr<platform::ExportOffices> started_;
};

}  // namespace

std::unique_ptr<platform::ExportOffices> StartExportOffices(const Options& options) {
    if (!options.reading || options.reading->failure)
        return nullptr;
    const CommandLineRequest& read = options.reading->request;
    try {
        if (read.action != CommandLineRequest::Action::Convert || read.someSlides)
            return nullptr;
        const platform::OfficeBounds bounds{platform::officeTimeoutFromEnvironment()};
        return std::make_unique<platform::ExportOffices>(
            platform::LibreOfficeFactory::DefaultProgram, bounds, OfficesForExport(options));
    } catch (const std::exception&) {
        return nullptr;
    }
}

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

// Everything chosen at start, in the order it is made.
struct RealPlatform::Parts {
    Parts(bool display, DialogChoice choice, double officeTimeout,
          std::unique_ptr<platform::ExportOffices> started)
        // Asked for no dialogs, the program asks nothing, not even on a terminal.
        : consoleDialogs(choice.noDialogs ? nullptr : stdin, stderr),
          shown(display && !choice.noDialogs ? static_cast<platform::Dialogs&>(windowDialogs)
                                             : consoleDialogs),
          quietDialogs(shown),
          dialogs(choice.quiet ? quietDialogs : shown) {
        // Key injection and screen capture need an X server; without one only whole
        // presentations can be converted on the user's screen.
        if (display && std::getenv("DISPLAY") != nullptr) {
            try {
                desktopInput = std::make_unique<platform::X11Input>();
                desktopGrabber = std::make_unique<platform::ScreenGrabber>();
                // X does nothing on Print Screen; do what other desktops do: the screen, as a
                // bitmap, onto a clipboard, the program's own, so the desktop's stays the user's.
                desktopInput->setPrintScreenHandler(
                    [this] { clipboard.setBitmap(desktopGrabber->grab()); });
            } catch (const std::runtime_error& error) {
                desktopInput.reset();
                std::fprintf(stderr, "deckshot: no key injection or screen capture: %s\n",
                             error.what());
            }
        }
        runs = std::make_unique<RealRunFactory>(platform::OfficeBounds{officeTimeout}, clipboard,
                                                desktopInput.get(), display, std::move(started));
    }

    platform::QtDialogs windowDialogs;
    platform::ConsoleDialogs consoleDialogs;
    platform::Dialogs& shown;
    platform::QuietDialogs quietDialogs;
    platform::Dialogs& dialogs;
    platform::RealClock clock;
    platform::QtShell shell;
    platform::QtEventPump events;
    platform::ProgramClipboard clipboard;
    std::unique_ptr<platform::ScreenGrabber> desktopGrabber;
    std::unique_ptr<platform::X11Input> desktopInput;
    std::unique_ptr<RealRunFactory> runs;
};

RealPlatform::RealPlatform(bool display, DialogChoice choice, double officeTimeout,
                           std::unique_ptr<platform::ExportOffices> started)
    : parts_(std::make_unique<Parts>(display, choice, officeTimeout, std::move(started))) {}
RealPlatform::~RealPlatform() = default;

platform::Dialogs& RealPlatform::dialogs() {
    return parts_->dialogs;
}
platform::Clock& RealPlatform::clock() {
    return parts_->clock;
}
platform::Shell& RealPlatform::shell() {
    return parts_->shell;
}
platform::EventPump& RealPlatform::events() {
    return parts_->events;
}
platform::RunPlatformFactory& RealPlatform::runs() {
    return *parts_->runs;
}

}  // namespace app
