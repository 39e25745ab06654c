// The office session: its start, the calls under the watchdog, opening and closing the
// presentation, and the end of the office.
#include "platform/libreoffice/OfficeSession.h"

#include <rtl/ref.hxx>

#include <unistd.h>
#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/bridge/XUnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/drawing/XDrawPagesSupplier.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/presentation/XPresentationSupplier.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <osl/file.hxx>
#include <rtl/bootstrap.hxx>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <thread>

#include "platform/libreoffice/OfficeQuestions.h"

namespace platform::office {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using rtl::OUString;

namespace {

// How often a starting office is asked whether it answers yet.
constexpr auto PollInterval = 10ms;

// The process-wide UNO runtime of our side of the pipe; made once and kept to the end. The
// installation's unorc names the type libraries of the runtime; those of the office API, which
// fundamentalrc would add, are named here as bootstrap values of this process: nothing in our
// environment changes, so no program we start inherits any of it.
Reference<uno::XComponentContext> localContext() {
    static Reference<uno::XComponentContext>* context = [] {
        const OUString program = "file:///usr/lib/libreoffice/program";
        rtl::Bootstrap::set("URE_MORE_TYPES", "<" + program + "/types>*");
        rtl::Bootstrap::set("URE_MORE_SERVICES", "<" + program + "/services>*");
        return new Reference<uno::XComponentContext>(
            cppu::defaultBootstrap_InitialComponentContext(program + "/unorc"));
    }();
    return *context;
}

}  // namespace

std::string plainReason(const std::string& message, const std::string& what) {
    // "<text> at /build/.../file.cxx:123" or "... bridge.cxx:615": the text alone.
    std::string text = message.substr(0, message.find(" at /"));
    if (const auto source = text.find(".cxx:"); source != std::string::npos)
        text = text.substr(
            0, text.rfind(' ', source) == std::string::npos ? 0 : text.rfind(' ', source));
    while (!text.empty() && (text.back() == ' ' || text.back() == ':')) text.pop_back();
    if (text.empty() || text.find("bridge disposed") != std::string::npos)
        return "LibreOffice failed while " + what;
    return text;
}

OfficeSession::OfficeSession(const std::string& program, OfficeBounds bounds, bool headless,
                             const std::string& display)
    : program_(program),
      bounds_(bounds),
      display_(!headless),
      process_(program, headless, display),
      watchdog_(process_) {
    std::error_code ignored;
    fs::create_directory(drawingFolder(), ignored);
}

AutomationError OfficeSession::failure(const std::string& what, const std::string& message) {
    watchdog_.disarm();
    if (watchdog_.firedLabel()) {
        process_.kill();
        if (whenStopped_)
            whenStopped_();
        return AutomationError("Timed out after " + seconds(bounds_.call) + " s while " + what +
                                   "; LibreOffice was stopped",
                               true);
    }
    if (!process_.running())
        return AutomationError("LibreOffice ended unexpectedly while " + what, true);
    return AutomationError(message);
}

void OfficeSession::start() {
    launch();
    connect();
}

void OfficeSession::launch() {
    process_.start();
    launchedAt_ = std::chrono::steady_clock::now();
}

void OfficeSession::connect() {
    const double limit = bounds_.start;
    // Our side of the bridge is made while the office starts.
    Reference<bridge::XUnoUrlResolver> resolver;
    try {
        resolver = bridge::UnoUrlResolver::create(localContext());
    } catch (const std::exception& e) {
        process_.kill();
        throw AutomationError(std::string("Cannot start the UNO runtime: ") + e.what());
    } catch (const uno::Exception& e) {
        process_.kill();
        throw AutomationError("Cannot start the UNO runtime: " + str(e.Message));
    }
    const auto deadline =
        launchedAt_ + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                          std::chrono::duration<double>(limit));
    int restarts = 0;
    watchdog_.arm(
        "starting LibreOffice",
        std::chrono::duration<double>(deadline - std::chrono::steady_clock::now()).count());
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
            // "Start me again": the seeded profile avoids it; should a new LibreOffice want
            // more of the profile, one more start still works.
            if (*status == 81 && restarts++ < 1) {
                process_.start();
                continue;
            }
            watchdog_.disarm();
            const std::string log = process_.logTail();
            throw AutomationError("LibreOffice did not start (exit status " +
                                  std::to_string(*status) + ")" + (log.empty() ? "" : ": " + log));
        }
        std::this_thread::sleep_for(PollInterval);
    }
    watchdog_.disarm();
    desktop_ = bounded("starting LibreOffice", [&] { return frame::Desktop::create(remote_); });
}

void OfficeSession::open(const std::string& path) {
    requireRunning("Presentations.Open");
    closeDocument();
    std::error_code error;
    if (!fs::is_regular_file(path, error))
        throw AutomationError("Cannot open " + inQuotes(path) + ": the file does not exist");
    // LibreOffice would open an empty file as a new, empty presentation.
    if (fs::file_size(path, error) == 0 && !error)
        throw AutomationError("Cannot open " + inQuotes(path) + ": the file is empty");
    if (::access(path.c_str(), R_OK) != 0)
        throw AutomationError("Cannot open " + inQuotes(path) + ": " + std::strerror(errno));
    OUString url;
    try {
        url = deckUrl(path);
    } catch (const AutomationError& e) {
        throw AutomationError("Cannot open " + inQuotes(path) + ": " + e.what());
    }

    // Read-only: the presentation is never written, and a stale lock file cannot stop it.
    // Every question the office would ask is declined at once: a password or repair question
    // fails instead of waiting. Macros never run and links are not updated: the file may come
    // from anyone (the profile and the office's own network keep the links from being fetched).
    const rtl::Reference<OfficeQuestions> questions = new OfficeQuestions;
    const Properties args = properties({
        prop("InteractionHandler", uno::Any(Reference<task::XInteractionHandler>(questions.get()))),
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
    if (!document.is() && questions->askedForPassword())
        throw AutomationError("Cannot open " + inQuotes(path) + ": it is protected by a password");
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
}

std::string OfficeSession::stageDeck(const std::string& file) {
    if (file == stagedFrom_ && !stagedFrom_.empty())
        return staged_;
    // The extension tells the office the file's type before it reads it; one that is not plain
    // letters and digits is left out, and the office reads the type from the content.
    const std::string extension = fs::path(file).extension().string();
    const bool plain =
        extension.size() > 1 && extension.size() <= 8 &&
        std::all_of(extension.begin() + 1, extension.end(), [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        });
    const fs::path deck = fs::path(process_.profileDir()) / (plain ? "deck" + extension : "deck");
    // The office reads nothing outside its profile and the system: the deck comes in, as a
    // second name of the same file where the file system allows it, as a copy otherwise.
    std::error_code error;
    fs::remove(deck, error);
    fs::create_hard_link(file, deck, error);
    if (error && !fs::copy_file(file, deck, error))
        throw AutomationError("cannot copy it into the office's profile: " + error.message());
    stagedFrom_ = file;
    staged_ = deck.string();
    return staged_;
}

OUString OfficeSession::deckUrl(const std::string& file) {
    return urlOf(stageDeck(file));
}

std::string OfficeSession::drawingFolder() const {
    return process_.profileDir() + "/drawn";
}

OUString OfficeSession::drawingUrl(const std::string& name) {
    return urlOf(drawingFolder() + "/" + name);
}

OUString OfficeSession::urlOf(const std::string& path) const {
    OUString url;
    if (osl::FileBase::getFileURLFromSystemPath(ou(path), url) != osl::FileBase::E_None)
        throw AutomationError("the office's profile " + inQuotes(process_.profileDir()) +
                              " has no usable name");
    return url;
}

int OfficeSession::slideCount() {
    requireDocument("Slides.Count");
    return bounded("counting the slides", [&] { return pages()->getCount(); });
}

void OfficeSession::quit() {
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
    dropReferences();
    if (!process_.waitForExit(
            std::chrono::milliseconds(static_cast<long>(std::min(bounds_.call, 10.0) * 1000))))
        process_.kill();
}

void OfficeSession::endAtOnce() {
    if (quit_)
        return;
    quit_ = true;
    dropReferences();
    process_.kill();
}

void OfficeSession::dropReferences() {
    exportFilter_.clear();
    document_.clear();
    desktop_.clear();
    remote_.clear();
}

void OfficeSession::requireRunning(const std::string& member) {
    if (quit_)
        throw AutomationError(member + ": the application has quit");
    if (watchdog_.firedLabel() || !process_.running())
        throw AutomationError(member + ": LibreOffice is no longer running", true);
}

void OfficeSession::requireDocument(const std::string& member) {
    requireRunning(member);
    if (!document_.is())
        throw AutomationError(member + ": no presentation is open");
}

Reference<drawing::XDrawPages> OfficeSession::pages() {
    return Reference<drawing::XDrawPagesSupplier>(document_, UNO_QUERY_THROW)->getDrawPages();
}

Reference<drawing::XGraphicExportFilter> OfficeSession::exportFilter() {
    if (!exportFilter_.is())
        exportFilter_ = drawing::GraphicExportFilter::create(remote_);
    return exportFilter_;
}

void OfficeSession::closeDocument() {
    if (!document_.is())
        return;
    Reference<lang::XComponent> document = document_;
    document_.clear();
    exportFilter_.clear();  // it holds a page of the document
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
