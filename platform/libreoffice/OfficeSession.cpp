// The office session: its start, the calls under the watchdog, opening and closing the
// presentation, and the end of the office.
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>

#include "platform/libreoffice/LibreOfficeApp.h"

namespace platform {

double officeCallTimeoutSeconds() {
    const char* text = std::getenv("DECKSHOT_OFFICE_TIMEOUT");
    if (text && *text) {
        char* end = nullptr;
        const double seconds = std::strtod(text, &end);
        if (end && *end == '\0' && std::isfinite(seconds) && seconds > 0)
            return seconds;
    }
    return 60.0;
}

std::unique_ptr<PresentationApp> LibreOfficeFactory::create(const std::string& programmaticId) {
    if (strcasecmp(programmaticId.c_str(), PresentationProgId) != 0)
        throw AutomationError("No automation server is registered as \"" + programmaticId + "\"");
    if (::access(program_.c_str(), X_OK) != 0)
        throw AutomationError("LibreOffice is not installed (" + program_ + " is missing)");
    const std::string show = showDisplay_ ? showDisplay_() : std::string();
    if (!show.empty())
        return std::make_unique<office::LibreOfficeApp>(program_, false, false, show);
    return std::make_unique<office::LibreOfficeApp>(program_);
}

}  // namespace platform

namespace platform::office {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using rtl::OUString;

namespace {

// The process-wide UNO runtime of our side of the pipe; made once and kept to the end.
Reference<uno::XComponentContext> localContext() {
    static Reference<uno::XComponentContext>* context = [] {
        // The pipe to an office that has just ended (Quit, a kill) may still be written to,
        // if only to release references: that must fail as an error, not end our process.
        std::signal(SIGPIPE, SIG_IGN);
        // Without it Desktop::create crashes: the runtime cannot find its type libraries. It is
        // read once, here; left in our environment it would break any LibreOffice that we or a
        // program we open starts later.
        const char* previous = std::getenv("URE_BOOTSTRAP");
        const std::string saved = previous ? previous : "";
        ::setenv("URE_BOOTSTRAP",
                 "vnd.sun.star.pathname:/usr/lib/libreoffice/program/fundamentalrc", 1);
        struct Restore {
            bool had;
            std::string value;
            ~Restore() {
                if (had)
                    ::setenv("URE_BOOTSTRAP", value.c_str(), 1);
                else
                    ::unsetenv("URE_BOOTSTRAP");
            }
        } restore{previous != nullptr, saved};
        return new Reference<uno::XComponentContext>(
            cppu::defaultBootstrap_InitialComponentContext());
    }();
    return *context;
}
}  // namespace

LibreOfficeApp::LibreOfficeApp(const std::string& program, bool headless, bool isHelper,
                               const std::string& showDisplay)
    : program_(program),
      display_(!headless),
      process_(program, headless, showDisplay),
      watchdog_(process_),
      showDisplay_(showDisplay) {
    connect();
    // A helper office for the export of big decks starts at once, headless, in the
    // background, so that its start-up is over before any export begins. It lives on a
    // thread of its own from start to end: an office ends with the thread that started it.
    if (!isHelper && std::thread::hardware_concurrency() >= 2) {
        helperThread_ = std::make_unique<SerialWorker>();
        helperReady_ = helperThread_->submit(
            [this] { helper_ = std::make_unique<LibreOfficeApp>(program_, true, true); });
    }
}

LibreOfficeApp::~LibreOfficeApp() {
    try {
        quit();
    } catch (...) {
        // Nothing may escape a destructor; OfficeProcess kills what is left.
    }
}

void LibreOfficeApp::setVisible(bool visible) {
    requireRunning("Visible");
    visible_ = visible;
}

void LibreOfficeApp::openPresentation(const std::string& path, bool, bool, bool) {
    requireRunning("Presentations.Open");
    closeDocument();
    std::error_code error;
    if (!fs::is_regular_file(path, error))
        throw AutomationError("Cannot open " + inQuotes(path) + ": the file does not exist");
    OUString url;
    if (osl::FileBase::getFileURLFromSystemPath(ou(fs::absolute(path).string()), url) !=
        osl::FileBase::E_None)
        throw AutomationError("Cannot open " + inQuotes(path) + ": not a usable file name");

    // Read-only: the presentation is never written, and a stale lock file cannot stop it.
    // No interaction handler: a password or repair question fails instead of waiting.
    // Macros never run and links are not fetched: the file may come from anyone.
    const Properties args = properties({
        prop("ReadOnly", uno::Any(true)),
        // A show of a hidden document crashes the office: with a display, load it visible.
        prop("Hidden", uno::Any(!display_)),
        prop("MacroExecutionMode", uno::Any(sal_Int16(0))),
        prop("UpdateDocMode", uno::Any(sal_Int16(0))),
    });
    Reference<lang::XComponent> document;
    try {
        document = bounded("opening " + inQuotes(path), [&] {
            Reference<frame::XComponentLoader> loader(desktop_, UNO_QUERY_THROW);
            return loader->loadComponentFromURL(url, "_blank", 0, args);
        });
    } catch (const AutomationError& e) {
        if (!process_.running())
            throw;
        throw AutomationError("Cannot open " + inQuotes(path) + ": " + e.what());
    }
    if (!document.is())
        throw AutomationError("Cannot open " + inQuotes(path) + ": LibreOffice could not load it");
    Reference<drawing::XDrawPagesSupplier> pages(document, UNO_QUERY);
    Reference<presentation::XPresentationSupplier> show(document, UNO_QUERY);
    document_ = document;
    if (!pages.is() || !show.is()) {
        closeDocument();
        throw AutomationError("Cannot open " + inQuotes(path) + ": it is not a presentation");
    }
    path_ = path;
    loadedAt_ = std::chrono::steady_clock::now();
    showRequested_ = showStarted_ = false;
    if (helperThread_) {
        helperReady_ =
            helperThread_->submit([this, started = std::move(helperReady_), path]() mutable {
                started.get();  // a helper that did not start opens nothing
                helper_->openPresentation(path, true, false, false);
            });
    }
}

void LibreOfficeApp::setAdvanceMode(int mode) {
    requireDocument("SlideShowSettings.AdvanceMode");
    advanceMode_ = mode;
}

int LibreOfficeApp::slideCount() {
    requireDocument("Slides.Count");
    return bounded("counting the slides", [&] { return pages()->getCount(); });
}

void LibreOfficeApp::quit() {
    // The helper office ends while this one does; the helper thread joins at the end.
    releaseHelper();
    struct JoinHelper {
        std::unique_ptr<SerialWorker>& thread;
        ~JoinHelper() { thread.reset(); }  // runs what was asked of it, then joins
    } joinHelper{helperThread_};
    if (quit_)
        return;
    quit_ = true;
    if (process_.running()) {
        // A modified document in a visible office would hold terminate() on a question.
        try {
            bounded("closing the documents", [&] {
                Reference<container::XEnumeration> all =
                    desktop_->getComponents()->createEnumeration();
                while (all->hasMoreElements()) {
                    Reference<util::XCloseable> closeable(all->nextElement(), UNO_QUERY);
                    if (closeable.is())
                        closeable->close(true);
                }
                return 0;
            });
            bounded("ending LibreOffice", [&] { return desktop_->terminate(); });
        } catch (const AutomationError&) {
            // Ended below by force.
        }
    }
    document_.clear();
    desktop_.clear();
    remote_.clear();
    if (!process_.waitForExit(std::chrono::milliseconds(
            static_cast<long>(std::min(officeCallTimeoutSeconds(), 10.0) * 1000))))
        process_.kill();
}

void LibreOfficeApp::connect() {
    const double limit = officeCallTimeoutSeconds();
    Reference<bridge::XUnoUrlResolver> resolver;
    try {
        resolver = bridge::UnoUrlResolver::create(localContext());
    } catch (const std::exception& e) {
        throw AutomationError(std::string("Cannot start the UNO runtime: ") + e.what());
    } catch (const uno::Exception& e) {
        throw AutomationError("Cannot start the UNO runtime: " + str(e.Message));
    }
    process_.start();
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(limit));
    int restarts = 0;
    watchdog_.arm("starting LibreOffice", limit);
    for (;;) {
        try {
            remote_.set(resolver->resolve(ou(process_.connectUrl())), UNO_QUERY_THROW);
            break;
        } catch (const connection::NoConnectException&) {
        } catch (const uno::Exception& e) {
            if (!watchdog_.firedLabel() && process_.running()) {
                watchdog_.disarm();
                throw AutomationError("Cannot connect to LibreOffice: " + str(e.Message));
            }
        }
        if (watchdog_.firedLabel() || std::chrono::steady_clock::now() >= deadline) {
            watchdog_.disarm();
            process_.kill();
            throw AutomationError("Timed out after " + seconds(limit) +
                                  " s while starting LibreOffice; it was stopped");
        }
        if (auto status = process_.poll()) {
            // A new profile makes the first start end with 81: "start me again".
            if (*status == 81 && restarts++ < 3) {
                process_.start();
                continue;
            }
            watchdog_.disarm();
            const std::string log = process_.logTail();
            throw AutomationError("LibreOffice did not start (exit status " +
                                  std::to_string(*status) + ")" + (log.empty() ? "" : ": " + log));
        }
        std::this_thread::sleep_for(50ms);
    }
    watchdog_.disarm();
    desktop_ = bounded("starting LibreOffice", [&] { return frame::Desktop::create(remote_); });
}

void LibreOfficeApp::requireRunning(const std::string& member) {
    if (quit_)
        throw AutomationError(member + ": the application has quit");
    if (watchdog_.firedLabel() || !process_.running())
        throw AutomationError(member + ": LibreOffice is no longer running", true);
}

void LibreOfficeApp::requireDocument(const std::string& member) {
    requireRunning(member);
    if (!document_.is())
        throw AutomationError(member + ": no presentation is open");
}

Reference<drawing::XDrawPages> LibreOfficeApp::pages() {
    return Reference<drawing::XDrawPagesSupplier>(document_, UNO_QUERY_THROW)->getDrawPages();
}

void LibreOfficeApp::closeDocument() {
    if (!document_.is())
        return;
    Reference<lang::XComponent> document = document_;
    document_.clear();
    try {
        bounded("closing " + inQuotes(path_), [&] {
            Reference<util::XCloseable>(document, UNO_QUERY_THROW)->close(true);
            return 0;
        });
    } catch (const AutomationError&) {
        if (!process_.running())
            throw;
    }
}

}  // namespace platform::office
