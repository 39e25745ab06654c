#pragma once
// One office: its process, the UNO bridge to it, every call into it under the watchdog, the open
// presentation, and its end. Every reference into the office is held here, so that all of them
// go before the office ends.
#include <com/sun/star/drawing/GraphicExportFilter.hpp>
#include <com/sun/star/drawing/XDrawPages.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include <chrono>
#include <exception>
#include <functional>
#include <string>

#include "platform/Automation.h"
#include "platform/libreoffice/LibreOfficeFactory.h"
#include "platform/libreoffice/OfficeProcess.h"
#include "platform/libreoffice/OfficeUno.h"

namespace platform::office {

// A short plain reason from the text of an office exception: the office's source positions and
// internal wording go, the OS's own reasons stay.
std::string plainReason(const std::string& message, const std::string& what);

class OfficeSession {
  public:
    // Prepares the private profile; start() starts the office. `headless`: no windows at all;
    // with `display`, the office draws on that X display, whatever ours is.
    OfficeSession(const std::string& program, OfficeBounds bounds, bool headless,
                  const std::string& display = {});
    OfficeSession(const OfficeSession&) = delete;
    OfficeSession& operator=(const OfficeSession&) = delete;

    // Starts the office and connects to it, within the start bound.
    void start();
    // The two halves of start(): the process is started at once, and connect() waits until it
    // answers. Offices launched together start side by side.
    void launch();
    void connect();
    bool launched() const { return process_.pid() > 0; }
    // From the next launch: see OfficeProcess::yieldToOthers.
    void yieldToOthers() { process_.yieldToOthers(); }
    // Opens the presentation read-only, closing the one open before: visible when the office
    // has a display (a slide show of a hidden document crashes the office), hidden otherwise.
    void open(const std::string& path);
    // Closes the documents and ends the office; kills it when it does not end in time.
    void quit();
    // Ends the office at once: for an office that only ever exported into files that are
    // complete or gone, which has nothing to save.
    void endAtOnce();
    // Kills the office at once, from any thread: what it is doing fails, fast.
    void stopNow() const { process_.signalKill(); }
    // What else must stop when this office is stopped for taking too long.
    void whenStopped(std::function<void()> stopAlso) { whenStopped_ = std::move(stopAlso); }

    // Throw AutomationError naming `member` unless the office runs (and has a presentation open).
    void requireRunning(const std::string& member);
    void requireDocument(const std::string& member);

    bool hasDisplay() const { return display_; }
    long pid() const { return static_cast<long>(process_.pid()); }
    const std::string& path() const { return path_; }
    std::chrono::steady_clock::time_point loadedAt() const { return loadedAt_; }
    const Reference<lang::XComponent>& document() const { return document_; }
    int slideCount();
    // The slides of the open presentation; call within bounded().
    Reference<drawing::XDrawPages> pages();
    // The office's image export, made once and used for every slide; call within bounded().
    Reference<drawing::XGraphicExportFilter> exportFilter();

    // The URL under which the office reads the deck `file`: the office's own name for it in its
    // private profile, whatever bytes the user's name holds (the office's text could not carry
    // some), and where it may read it (it reads nothing else of the user's).
    rtl::OUString deckUrl(const std::string& file);
    // Puts the deck `file` into the profile (once for one file) and gives its path there: other
    // offices of the run take it from there, as a second name on the same file system.
    std::string stageDeck(const std::string& file);
    // Where the office draws images (its own folder: it may write nowhere else), and the URL of
    // the file `name` there.
    std::string drawingFolder() const;
    rtl::OUString drawingUrl(const std::string& name);

    // Runs one office call under the watchdog, turning every failure into AutomationError.
    template <class Call>
    auto bounded(const std::string& what, Call call) -> decltype(call());

  private:
    void closeDocument();
    // Lets go of every reference into the office, before it ends.
    void dropReferences();
    AutomationError failure(const std::string& what, const std::string& message);
    rtl::OUString urlOf(const std::string& path) const;

    const std::string program_;
    const OfficeBounds bounds_;
    const bool display_;
    OfficeProcess process_;
    Watchdog watchdog_;
    Reference<uno::XComponentContext> remote_;
    Reference<frame::XDesktop2> desktop_;
    Reference<lang::XComponent> document_;
    Reference<drawing::XGraphicExportFilter> exportFilter_;  // made once, used for every slide
    std::string path_;
    std::string stagedFrom_, staged_;  // the deck put into the profile, and its name there
    std::chrono::steady_clock::time_point loadedAt_;
    std::chrono::steady_clock::time_point launchedAt_;
    bool quit_ = false;
    std::function<void()> whenStopped_;
};

template <class Call>
auto OfficeSession::bounded(const std::string& what, Call call) -> decltype(call()) {
    watchdog_.arm(what, bounds_.call);
    try {
        auto result = call();
        watchdog_.disarm();
        if (watchdog_.firedLabel())
            throw failure(what, "");
        return result;
    } catch (const AutomationError& e) {
        throw failure(what, e.what());
    } catch (const lang::DisposedException& e) {
        // The bridge went down: the office is ending, or about to.
        process_.waitForExit(std::chrono::seconds(1));
        throw failure(what, plainReason(str(e.Message), what));
    } catch (const uno::Exception& e) {
        throw failure(what, plainReason(str(e.Message), what));
    } catch (const std::exception& e) {
        throw failure(what, e.what());
    }
}

}  // namespace platform::office
