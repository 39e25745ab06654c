// deckshot: turns the slides of a presentation into image files.
#include <QApplication>
#include <QMetaObject>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/ConsoleFrontEnd.h"
#include "app/MainWindow.h"
#include "app/Options.h"
#include "app/Program.h"
#include "app/RealPlatform.h"
#include "platform/Dialogs.h"
#include "platform/RunCleanup.h"
#include "platform/libreoffice/ExportOffices.h"
#include "platform/libreoffice/LibreOfficeFactory.h"
#include "support/Files.h"
#include "support/FindDirectory.h"

int main(int argc, char** argv) {
    const app::Options options = app::ReadOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!options.error.empty()) {
        std::fprintf(stderr, "deckshot: %s\nTry \"deckshot --help\".\n", options.error.c_str());
        return 2;
    }
    if (options.help || options.version) {
        const std::string text = options.help ? app::HelpText() : app::VersionText();
        std::fputs(text.c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }

    const bool display = app::displayAvailable();
    // Nobody answers a window in a run without a display or without dialogs.
    const bool unattended = !display || options.noDialogs;
    // Before any thread starts: every thread then leaves these signals to the one that ends
    // the run cleanly.
    platform::handleProcessSignals();
    // Nobody is asked anything before an unattended export starts its offices: they may start
    // at once, while the rest of the program does.
    std::unique_ptr<platform::ExportOffices> started;
    if (unattended)
        started = app::StartExportOffices(options);
    app::prepareQtPlatform(display, options.noDialogs);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(platform::ApplicationTitle));
    double officeTimeout = 0;
    std::string badSetting;
    try {
        officeTimeout = platform::officeTimeoutFromEnvironment();
    } catch (const std::invalid_argument& error) {
        badSetting = error.what();
    }
    app::RealPlatform real(display, {options.noDialogs, options.quiet}, officeTimeout,
                           std::move(started));
    if (!badSetting.empty()) {
        real.dialogs().message("Error: " + badSetting);
        return 1;
    }

    if (!display && support::CommandLineText(options.parameters).empty()) {
        // Nobody could use a window that nobody sees: say how to run unattended instead.
        real.dialogs().message(app::UsageMessage);
        return 2;
    }

    app::Program program(real.dialogs(), real.clock(), real.shell(), real.events(), real.runs());
    if (unattended) {
        // Nobody would answer a window: the command line runs without one.
        return app::RunWithoutWindow(program.services(), options);
    }

    app::TForm1 form(program.services(), options);
    support::TFindDir findDir(real.dialogs(), &form);
    form.setDirectoryChooser(findDir);
    // A key string's message box needs the application on the screen, and puts it away after.
    program.keySettings.RestoreApplication = [&form] { form.restoreApplication(); };
    program.keySettings.MinimizeApplication = [&form] { form.minimizeApplication(); };

    form.show();
    if (form.quitRequested()) {
        QMetaObject::invokeMethod(&application, &QCoreApplication::quit, Qt::QueuedConnection);
    }
    const int code = QApplication::exec();
    return form.runFailed ? 1 : code;
}
