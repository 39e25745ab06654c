// LibreOffice Impress behind PresentationApp, through the C++ UNO API. The only translation unit
// that sees UNO headers: they clash with Qt's and X11's macros.
#include <strings.h>
#include <unistd.h>
#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/bridge/XUnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/document/XExporter.hpp>
#include <com/sun/star/document/XFilter.hpp>
#include <com/sun/star/drawing/GraphicExportFilter.hpp>
#include <com/sun/star/drawing/XDrawPage.hpp>
#include <com/sun/star/drawing/XDrawPages.hpp>
#include <com/sun/star/drawing/XDrawPagesSupplier.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/presentation/XPresentation2.hpp>
#include <com/sun/star/presentation/XPresentationSupplier.hpp>
#include <com/sun/star/presentation/XSlideShowController.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <osl/file.hxx>
#include <rtl/ustring.hxx>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/images/ImageFiles.h"
#include "platform/libreoffice/LibreOfficeFactory.h"
#include "platform/libreoffice/OfficeProcess.h"
#include "platform/x11/ScreenGrab.h"

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

namespace {

using namespace com::sun::star;
using uno::Reference;
using uno::UNO_QUERY;
using uno::UNO_QUERY_THROW;
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using rtl::OUString;
using rtl::OUStringToOString;
using Properties = uno::Sequence<beans::PropertyValue>;

OUString ou(const std::string& text) {
    return OUString::fromUtf8(text.c_str());
}
std::string str(const OUString& text) {
    return OUStringToOString(text, RTL_TEXTENCODING_UTF8).getStr();
}

beans::PropertyValue prop(const char* name, const uno::Any& value) {
    beans::PropertyValue p;
    p.Name = OUString::createFromAscii(name);
    p.Value = value;
    return p;
}

Properties properties(std::initializer_list<beans::PropertyValue> list) {
    return Properties(list.begin(), static_cast<sal_Int32>(list.size()));
}

std::string inQuotes(const std::string& path) {
    return "\"" + path + "\"";
}

std::string seconds(double s) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", s);
    return text;
}

bool haveDisplay() {
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (wayland && *wayland);
}

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

struct SaveFormat {
    const char* extension;
    const char* exportMime;  // what LibreOffice writes
    bool convertToBmp;       // its BMP export is broken: go through PNG
};

SaveFormat saveFormat(int number) {
    switch (number) {
        case SaveAsJpeg:
            return {"jpg", "image/jpeg", false};
        case SaveAsGif:
            return {"gif", "image/gif", false};
        case SaveAsBmp:
            return {"bmp", "image/png", true};
    }
    throw AutomationError("SaveAs: unsupported format number " + std::to_string(number));
}

// One thread that runs the tasks given to it in order, until it is destroyed.
class SerialWorker {
  public:
    SerialWorker() : thread_([this] { run(); }) {}
    ~SerialWorker() {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    SerialWorker(const SerialWorker&) = delete;
    SerialWorker& operator=(const SerialWorker&) = delete;

    template <typename Task>
    std::future<void> submit(Task task) {
        auto packaged = std::make_shared<std::packaged_task<void()>>(std::move(task));
        std::future<void> done = packaged->get_future();
        {
            const std::lock_guard lock(mutex_);
            tasks_.push_back([packaged] { (*packaged)(); });
        }
        wake_.notify_one();
        return done;
    }

  private:
    void run() {
        for (;;) {
            std::function<void()> task;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
                if (tasks_.empty())
                    return;
                task = std::move(tasks_.front());
                tasks_.pop_front();
            }
            task();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    bool stopping_ = false;
    std::thread thread_;  // last: starts once the rest is ready
};

class LibreOfficeApp : public PresentationApp {
  public:
    explicit LibreOfficeApp(const std::string& program, bool headless = !haveDisplay(),
                            bool isHelper = false)
        : program_(program), display_(!headless), process_(program, headless), watchdog_(process_) {
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
    ~LibreOfficeApp() override {
        try {
            quit();
        } catch (...) {
            // Nothing may escape a destructor; OfficeProcess kills what is left.
        }
    }

    void setVisible(bool visible) override {
        requireRunning("Visible");
        visible_ = visible;
    }

    void openPresentation(const std::string& path, bool, bool, bool) override {
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
            throw AutomationError("Cannot open " + inQuotes(path) +
                                  ": LibreOffice could not load it");
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

    void setAdvanceMode(int mode) override {
        requireDocument("SlideShowSettings.AdvanceMode");
        advanceMode_ = mode;
    }

    // Without a display there is no show; exporting works all the same. With one, the show is
    // started by the first GoToSlide: an all-slides export then never waits for it.
    void runSlideShow() override {
        requireDocument("SlideShowSettings.Run");
        showRequested_ = true;
    }

    int slideCount() override {
        requireDocument("Slides.Count");
        return bounded("counting the slides", [&] { return pages()->getCount(); });
    }

    void saveAs(const std::string& directory, int& formatNumber, bool) override {
        requireDocument("SaveAs");
        const SaveFormat format = saveFormat(formatNumber);
        std::error_code error;
        if (!fs::is_directory(directory, error))
            throw AutomationError("SaveAs: the directory " + inQuotes(directory) +
                                  " does not exist");
        const int count = slideCount();
        SlideQueue queue(count);
        // One office draws one slide at a time: a second one, headless, takes slides from the
        // other end of the deck on the other core. It only ever speeds things up: whatever it
        // fails to do, this office does.
        activeQueue_ = &queue;
        struct Forget {
            SlideQueue*& active;
            ~Forget() { active = nullptr; }
        } forget{activeQueue_};
        std::future<void> helper;
        if (count >= HelperMinSlides && helperThread_)
            helper = helperThread_->submit([&] { exportWithHelper(queue, directory, format); });
        try {
            while (const std::optional<int> n = queue.takeFront())
                exportSlide(directory, *n, format);
            if (helper.valid())
                helper.wait();
            while (const std::optional<int> n = queue.takeFront())
                exportSlide(directory, *n, format);
        } catch (...) {
            queue.close();
            if (helper.valid())
                helper.wait();
            throw;
        }
    }

    void goToSlide(int slideNumber) override {
        requireDocument("GoToSlide");
        if (!display_)
            throw AutomationError("GoToSlide: no display for the slide show");
        if (!showRequested_)
            throw AutomationError("GoToSlide: the slide show is not running");
        const int count = slideCount();
        if (slideNumber < 1 || slideNumber > count)
            throw AutomationError("GoToSlide: there is no slide " + std::to_string(slideNumber) +
                                  " (the presentation has " + std::to_string(count) + ")");
        // The screen as it was, to see the slide arrive on it.
        const std::optional<RgbImage> before = grabScreen();
        const bool wasStarted = showStarted_;
        if (!showStarted_) {
            dropHelper();  // the show needs no export help, and the machine to itself
            startShow();
        }
        bounded("moving the slide show to slide " + std::to_string(slideNumber), [&] {
            // Never call into an ended show: its old controller crashes the office.
            Reference<presentation::XSlideShowController> controller = runningController();
            if (!controller.is())
                throw AutomationError("GoToSlide: the slide show has ended");
            const bool alreadyShown =
                wasStarted && controller->getCurrentSlideIndex() == slideNumber - 1;
            controller->gotoSlideIndex(slideNumber - 1);
            // The move is asynchronous: wait until the show reports the slide.
            for (int i = 0; i < 200 && controller->getCurrentSlideIndex() != slideNumber - 1; ++i)
                std::this_thread::sleep_for(10ms);
            if (controller->getCurrentSlideIndex() != slideNumber - 1)
                throw AutomationError("GoToSlide: the show did not reach slide " +
                                      std::to_string(slideNumber));
            waitUntilOnScreen(before, !alreadyShown);
            return 0;
        });
    }

    void quit() override {
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

  private:
    void connect() {
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
                                      std::to_string(*status) + ")" +
                                      (log.empty() ? "" : ": " + log));
            }
            std::this_thread::sleep_for(50ms);
        }
        watchdog_.disarm();
        desktop_ = bounded("starting LibreOffice", [&] { return frame::Desktop::create(remote_); });
    }

    // Runs one office call under the watchdog, turning every failure into AutomationError.
    template <class Call>
    auto bounded(const std::string& what, Call call) -> decltype(call()) {
        const double limit = officeCallTimeoutSeconds();
        auto failure = [&](const std::string& message) -> AutomationError {
            watchdog_.disarm();
            if (watchdog_.firedLabel()) {
                process_.kill();
                dropHelper();  // a stopped office leaves no helper behind
                return AutomationError("Timed out after " + seconds(limit) + " s while " + what +
                                       "; LibreOffice was stopped");
            }
            if (!process_.running())
                return AutomationError("LibreOffice ended unexpectedly while " + what);
            return AutomationError(message);
        };
        watchdog_.arm(what, limit);
        try {
            auto result = call();
            watchdog_.disarm();
            if (watchdog_.firedLabel())
                throw failure("");
            return result;
        } catch (const AutomationError& e) {
            throw failure(e.what());
        } catch (const uno::Exception& e) {
            throw failure(str(e.Message).empty() ? "LibreOffice failed while " + what
                                                 : str(e.Message));
        } catch (const std::exception& e) {
            throw failure(e.what());
        }
    }

    void requireRunning(const std::string& member) {
        if (quit_)
            throw AutomationError(member + ": the application has quit");
        if (watchdog_.firedLabel() || !process_.running())
            throw AutomationError(member + ": LibreOffice is no longer running");
    }
    void requireDocument(const std::string& member) {
        requireRunning(member);
        if (!document_.is())
            throw AutomationError(member + ": no presentation is open");
    }

    Reference<drawing::XDrawPages> pages() {
        return Reference<drawing::XDrawPagesSupplier>(document_, UNO_QUERY_THROW)->getDrawPages();
    }
    Reference<presentation::XPresentation2> presentation() {
        return Reference<presentation::XPresentation2>(
            Reference<presentation::XPresentationSupplier>(document_, UNO_QUERY_THROW)
                ->getPresentation(),
            UNO_QUERY_THROW);
    }
    Reference<presentation::XSlideShowController> runningController() {
        Reference<presentation::XPresentation2> show = presentation();
        if (!show->isRunning())
            return {};
        Reference<presentation::XSlideShowController> controller = show->getController();
        if (!controller.is() || !controller->isRunning())
            return {};
        return controller;
    }

    void exportSlide(const std::string& directory, int n, const SaveFormat& format) {
        const std::string name = "Slide" + std::to_string(n) + "." + format.extension;
        const fs::path target = fs::path(directory) / name;
        // LibreOffice writes to a scratch name; only a complete file takes the slide's name.
        const fs::path scratch =
            fs::path(directory) / ("." + name + ".part-" + std::to_string(::getpid()));
        struct Cleanup {
            fs::path path;
            ~Cleanup() {
                std::error_code ignored;
                fs::remove(path, ignored);
            }
        } cleanup{scratch};
        OUString url;
        osl::FileBase::getFileURLFromSystemPath(ou(fs::absolute(scratch).string()), url);
        bounded("exporting slide " + std::to_string(n), [&] {
            Reference<drawing::XDrawPage> page(pages()->getByIndex(n - 1), UNO_QUERY_THROW);
            Reference<beans::XPropertySet> size(page, UNO_QUERY_THROW);
            sal_Int32 width = 0, height = 0;
            size->getPropertyValue("Width") >>= width;  // 1/100 mm
            size->getPropertyValue("Height") >>= height;
            // 96 pixels per inch: a 10 x 7.5 inch slide gives 960 x 720.
            const sal_Int32 pixelWidth = std::max<sal_Int32>(1, std::lround(width * 96 / 2540.0));
            const sal_Int32 pixelHeight = std::max<sal_Int32>(1, std::lround(height * 96 / 2540.0));
            // Both sizes must be given, or LibreOffice ignores them.
            const Properties filterData = properties({
                prop("PixelWidth", uno::Any(pixelWidth)),
                prop("PixelHeight", uno::Any(pixelHeight)),
                prop("Quality", uno::Any(sal_Int32(90))),
                prop("Translucent", uno::Any(false)),
                prop("Interlaced", uno::Any(sal_Int32(0))),
                prop("Compression", uno::Any(sal_Int32(1))),
            });
            const Properties descriptor = properties({
                prop("URL", uno::Any(url)),
                prop("MediaType", uno::Any(OUString::createFromAscii(format.exportMime))),
                prop("FilterData", uno::Any(filterData)),
            });
            Reference<drawing::XGraphicExportFilter> filter =
                drawing::GraphicExportFilter::create(remote_);
            filter->setSourceDocument(Reference<lang::XComponent>(page, UNO_QUERY_THROW));
            if (!filter->filter(descriptor))
                throw AutomationError("SaveAs: LibreOffice could not export slide " +
                                      std::to_string(n));
            return 0;
        });
        std::error_code error;
        if (!fs::is_regular_file(scratch, error) || fs::file_size(scratch, error) == 0)
            throw AutomationError("SaveAs: LibreOffice wrote no image for slide " +
                                  std::to_string(n));
        try {
            if (format.convertToBmp) {
                writeBmp(readImage(scratch.string()), target.string());
            } else {
                fs::rename(scratch, target);
            }
        } catch (const std::exception& e) {
            throw AutomationError(std::string("SaveAs: ") + e.what());
        }
    }

    void startShow() {
        bounded("starting the slide show", [&] {
            // Transitions would play at every move (over a second each): switch them off.
            Reference<drawing::XDrawPages> all = pages();
            for (sal_Int32 i = 0; i < all->getCount(); ++i) {
                Reference<beans::XPropertySet> page(all->getByIndex(i), UNO_QUERY_THROW);
                page->setPropertyValue("TransitionType", uno::Any(sal_Int16(0)));
                if (advanceMode_ == 1)
                    page->setPropertyValue("Change", uno::Any(sal_Int32(0)));
            }
            Reference<presentation::XPresentation2> show = presentation();
            Reference<beans::XPropertySet> settings(show, UNO_QUERY_THROW);
            settings->setPropertyValue("IsAutomatic", uno::Any(advanceMode_ != 1));
            settings->setPropertyValue("IsEndless", uno::Any(false));
            settings->setPropertyValue("IsFullScreen", uno::Any(true));
            settings->setPropertyValue("IsMouseVisible", uno::Any(false));
            settings->setPropertyValue("StartWithNavigator", uno::Any(false));
            // A show started too soon after loading stays black: give the document a second.
            const auto ready = loadedAt_ + 1000ms;
            if (std::chrono::steady_clock::now() < ready)
                std::this_thread::sleep_until(ready);
            show->start();
            for (int i = 0; i < 500 && !runningController().is(); ++i)
                std::this_thread::sleep_for(10ms);
            if (!runningController().is())
                throw AutomationError("the slide show did not start");
            return 0;
        });
        showStarted_ = true;
    }

    void closeDocument() {
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

    // Slides still to export, shared by this office (from the front) and a helper (from the
    // back).
    class SlideQueue {
      public:
        explicit SlideQueue(int count) {
            for (int n = 1; n <= count; ++n) slides_.push_back(n);
        }
        std::optional<int> takeFront() { return take(true); }
        std::optional<int> takeBack() { return take(false); }
        void giveBack(int slide) {
            const std::lock_guard lock(mutex_);
            slides_.push_back(slide);
        }
        void close() {
            const std::lock_guard lock(mutex_);
            closed_ = true;
        }

      private:
        std::optional<int> take(bool front) {
            const std::lock_guard lock(mutex_);
            if (closed_ || slides_.empty())
                return std::nullopt;
            const int slide = front ? slides_.front() : slides_.back();
            front ? slides_.pop_front() : slides_.pop_back();
            return slide;
        }
        std::mutex mutex_;
        std::deque<int> slides_;
        bool closed_ = false;
    };

    // Runs on its own thread; nothing escapes it.
    void exportWithHelper(SlideQueue& queue, const std::string& directory,
                          const SaveFormat& format) {
        try {
            helperReady_.get();
            while (const std::optional<int> n = queue.takeBack()) {
                try {
                    helper_->exportSlide(directory, *n, format);
                } catch (...) {
                    queue.giveBack(*n);
                    return;
                }
            }
        } catch (...) {
            // The helper could not start or open the file: this office does every slide.
        }
    }

    // Ends the helper office, if there is one; waits for its start-up to end first.
    void dropHelper() {
        releaseHelper();
        helperThread_.reset();  // runs what was asked of it, then joins
    }
    // Asks the helper thread to end the helper office, without waiting for it.
    void releaseHelper() {
        if (!helperThread_)
            return;
        if (activeQueue_ != nullptr)
            activeQueue_->close();  // the helper stops after its current slide
        helperThread_->submit([this] { helper_.reset(); });
    }

    // The show reports a slide before it is drawn; a slide drawn for the first time can take
    // longer than any fixed pause. Without a way to look at the screen, a short pause is all
    // there is.
    std::optional<RgbImage> grabScreen() {
        if (!screen_ && !screenUnavailable_) {
            try {
                screen_ = std::make_unique<ScreenGrabber>();
            } catch (const std::runtime_error&) {
                screenUnavailable_ = true;
            }
        }
        if (!screen_)
            return std::nullopt;
        try {
            return screen_->grab();
        } catch (const std::runtime_error&) {
            return std::nullopt;
        }
    }

    // Returns once the screen differs from `before` (when a change is expected: another slide
    // may look the same, so not for ever) and has then stayed the same for a moment.
    // Returns once the screen shows something drawn (a new show's window is black at first),
    // differs from `before` (when a change is expected: another slide may look the same, so
    // not for ever) and has then stayed the same for a while.
    void waitUntilOnScreen(const std::optional<RgbImage>& before, bool expectChange) {
        std::optional<RgbImage> last = grabScreen();
        if (!before || !last) {
            std::this_thread::sleep_for(60ms);
            return;
        }
        const auto blank = [](const RgbImage& image) {
            return std::all_of(image.pixels.begin(), image.pixels.end(),
                               [](std::uint8_t byte) { return byte == 0; });
        };
        const auto drawnDeadline = std::chrono::steady_clock::now() + 2000ms;
        while ((blank(*last) || (expectChange && last->pixels == before->pixels)) &&
               std::chrono::steady_clock::now() < drawnDeadline) {
            std::this_thread::sleep_for(10ms);
            last = grabScreen();
            if (!last)
                return;
        }
        // Unchanged over two looks in a row: a slide drawn in stages is complete.
        const auto settleDeadline = std::chrono::steady_clock::now() + 1000ms;
        for (int unchanged = 0;
             unchanged < 2 && std::chrono::steady_clock::now() < settleDeadline;) {
            std::this_thread::sleep_for(40ms);
            std::optional<RgbImage> next = grabScreen();
            if (!next)
                return;
            unchanged = next->pixels == last->pixels ? unchanged + 1 : 0;
            last = std::move(next);
        }
    }

    // Below this many slides a helper office would not pay for its start-up.
    static constexpr int HelperMinSlides = 40;

    const std::string program_;
    std::unique_ptr<SerialWorker> helperThread_;
    std::future<void> helperReady_;           // the helper started and opened the presentation
    std::unique_ptr<LibreOfficeApp> helper_;  // touched on helperThread_ only
    SlideQueue* activeQueue_ = nullptr;       // while SaveAs shares its slides with the helper
    const bool display_;
    office::OfficeProcess process_;
    office::Watchdog watchdog_;
    Reference<uno::XComponentContext> remote_;
    Reference<frame::XDesktop2> desktop_;
    Reference<lang::XComponent> document_;
    std::string path_;
    std::chrono::steady_clock::time_point loadedAt_;
    bool visible_ = false;
    int advanceMode_ = 1;
    bool showRequested_ = false;
    bool showStarted_ = false;
    bool quit_ = false;
    std::unique_ptr<ScreenGrabber> screen_;
    bool screenUnavailable_ = false;
};

}  // namespace

std::unique_ptr<PresentationApp> LibreOfficeFactory::create(const std::string& programmaticId) {
    if (strcasecmp(programmaticId.c_str(), PresentationProgId) != 0)
        throw AutomationError("No automation server is registered as \"" + programmaticId + "\"");
    if (::access(program_.c_str(), X_OK) != 0)
        throw AutomationError("LibreOffice is not installed (" + program_ + " is missing)");
    return std::make_unique<LibreOfficeApp>(program_);
}

}  // namespace platform
