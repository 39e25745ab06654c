#pragma once
// The LibreOffice object behind PresentationApp, shared by the files that each do one of its jobs:
// the session (start, open, quit; OfficeSession.cpp), the export of all slides (OfficeExport.cpp)
// with a helper office for big decks (OfficeHelper.cpp) and the slide show (OfficeShow.cpp), which
// waits for a slide on the screen through ShowScreenWait; the process is OfficeProcess.cpp. Only
// these files see UNO headers: they clash with Qt's and X11's macros.
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
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/presentation/XPresentation2.hpp>
#include <com/sun/star/presentation/XPresentationSupplier.hpp>
#include <com/sun/star/presentation/XSlideShowController.hpp>
#include <com/sun/star/presentation/XSlideShowListener.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <cppuhelper/implbase1.hxx>
#include <osl/file.hxx>
#include <rtl/ref.hxx>
#include <rtl/ustring.hxx>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/Automation.h"
#include "platform/Image.h"
#include "platform/libreoffice/LibreOfficeFactory.h"
#include "platform/libreoffice/OfficeProcess.h"
#include "platform/libreoffice/ShowScreenWait.h"

namespace platform::office {

using namespace com::sun::star;
using uno::Reference;
using uno::UNO_QUERY;
using uno::UNO_QUERY_THROW;
using Properties = uno::Sequence<beans::PropertyValue>;

inline rtl::OUString ou(const std::string& text) {
    return rtl::OUString::fromUtf8(text.c_str());
}
inline std::string str(const rtl::OUString& text) {
    return rtl::OUStringToOString(text, RTL_TEXTENCODING_UTF8).getStr();
}

inline beans::PropertyValue prop(const char* name, const uno::Any& value) {
    beans::PropertyValue p;
    p.Name = rtl::OUString::createFromAscii(name);
    p.Value = value;
    return p;
}

inline Properties properties(std::initializer_list<beans::PropertyValue> list) {
    return Properties(list.begin(), static_cast<sal_Int32>(list.size()));
}

inline std::string inQuotes(const std::string& path) {
    return "\"" + path + "\"";
}

inline std::string seconds(double s) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", s);
    return text;
}

inline bool haveDisplay() {
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (wayland && *wayland);
}

struct SaveFormat {
    const char* extension;
    const char* exportMime;  // what LibreOffice writes
    bool convertToBmp;       // its BMP export is broken: go through PNG
};

SaveFormat saveFormat(int number);

// A short plain reason from the text of an office exception: the office's source positions and
// internal wording go, the OS's own reasons stay.
std::string plainReason(const std::string& message, const std::string& what);

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
// Slides still to export, shared by this office (from the front) and a helper (from the
// back). Once closed, only the front is served: the helper stops, this office goes on.
class SlideQueue {
  public:
    explicit SlideQueue(int count) {
        for (int n = 1; n <= count; ++n) slides_.push_back(n);
    }
    std::optional<int> takeFront() { return take(true); }
    std::optional<int> takeBack() { return take(false); }
    bool closed() {
        const std::lock_guard lock(mutex_);
        return closed_;
    }
    void giveBack(int slide) {
        const std::lock_guard lock(mutex_);
        slides_.push_back(slide);
    }
    void close() {
        const std::lock_guard lock(mutex_);
        closed_ = true;
    }
    // Either office, after a slide is exported.
    void markDone() { ++done_; }
    int done() const { return done_; }

  private:
    std::optional<int> take(bool front) {
        const std::lock_guard lock(mutex_);
        if ((closed_ && !front) || slides_.empty())
            return std::nullopt;
        const int slide = front ? slides_.front() : slides_.back();
        front ? slides_.pop_front() : slides_.pop_back();
        return slide;
    }
    std::mutex mutex_;
    std::deque<int> slides_;
    bool closed_ = false;
    std::atomic<int> done_{0};
};

// Counts the slides the show has finished with: after drawing a slide it prepares the next one
// under a busy sign, and only then tells its listeners.
class ShowProgress : public cppu::WeakImplHelper1<presentation::XSlideShowListener> {
  public:
    long finished() {
        const std::lock_guard lock(mutex_);
        return finished_;
    }
    // Waits up to `limit` for more than `count` finished slides.
    bool waitBeyond(long count, std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return finished_ > count; });
    }

    void SAL_CALL slideAnimationsEnded() override {
        {
            const std::lock_guard lock(mutex_);
            ++finished_;
        }
        changed_.notify_all();
    }
    void SAL_CALL paused() override {}
    void SAL_CALL resumed() override {}
    void SAL_CALL slideTransitionStarted() override {}
    void SAL_CALL slideTransitionEnded() override {}
    void SAL_CALL slideEnded(sal_Bool) override {}
    void SAL_CALL hyperLinkClicked(const rtl::OUString&) override {}
    void SAL_CALL beginEvent(const Reference<animations::XAnimationNode>&) override {}
    void SAL_CALL endEvent(const Reference<animations::XAnimationNode>&) override {}
    void SAL_CALL repeat(const Reference<animations::XAnimationNode>&, sal_Int32) override {}
    void SAL_CALL disposing(const lang::EventObject&) override {}

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    long finished_ = 0;
};

class LibreOfficeApp : public PresentationApp {
  public:
    enum class Role { Main, Helper };
    // A main office starts at once; a helper is started by connect() on its own thread. With
    // `showDisplay`, the office and its slide show are on that X display.
    LibreOfficeApp(const std::string& program, OfficeBounds bounds, bool headless = !haveDisplay(),
                   Role role = Role::Main, const std::string& showDisplay = {});
    ~LibreOfficeApp() override;

    void setVisible(bool visible) override;
    void openPresentation(const std::string& path, bool, bool, bool) override;
    void setAdvanceMode(int mode) override;
    // Without a display there is no show; exporting works all the same. With one, the show is
    // started by the first GoToSlide: an all-slides export then never waits for it.
    void runSlideShow() override;
    int slideCount() override;
    void setExportProgress(ExportProgress report) override { exportProgress_ = std::move(report); }
    void saveAs(const std::string& directory, int& formatNumber, bool) override;
    void goToSlide(int slideNumber) override;
    void quit() override;

  private:
    // Session: start, calls under the watchdog, the open document.
    void connect();
    void requireRunning(const std::string& member);
    void requireDocument(const std::string& member);
    Reference<drawing::XDrawPages> pages();
    void closeDocument();
    // Lets go of every reference into the office, before it ends.
    void dropReferences();

    // Export of all slides, shared with a helper office for big decks.
    void exportSlide(const std::string& directory, int n, const SaveFormat& format);
    // Exports slides from the front of the queue, calling report after each.
    void exportSlides(SlideQueue& queue, const std::string& directory, const SaveFormat& format,
                      const std::function<void()>& report);
    std::future<void> startHelper(SlideQueue& queue, const std::string& directory,
                                  const SaveFormat& format);
    void helpExport(SlideQueue& queue, const std::string& directory, const SaveFormat& format);
    void stopHelper();
    void dropHelper();

    // Slide show.
    Reference<presentation::XPresentation2> presentation();
    Reference<presentation::XSlideShowController> runningController();
    void moveTo(int slideNumber, bool wasStarted);
    void endShow();
    void startShow();

    // The show's window on the screen is watched from before the show starts.
    void watchForShowWindow();
    void waitUntilFinished(long finishedBefore);

    // Runs one office call under the watchdog, turning every failure into AutomationError.
    template <class Call>
    auto bounded(const std::string& what, Call call) -> decltype(call()) {
        const double limit = bounds_.call;
        auto failure = [&](const std::string& message) -> AutomationError {
            watchdog_.disarm();
            if (watchdog_.firedLabel()) {
                process_.kill();
                stopHelper();  // a stopped office leaves no helper behind
                return AutomationError("Timed out after " + seconds(limit) + " s while " + what +
                                           "; LibreOffice was stopped",
                                       true);
            }
            if (!process_.running())
                return AutomationError("LibreOffice ended unexpectedly while " + what, true);
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
        } catch (const lang::DisposedException& e) {
            // The bridge went down: the office is ending, or about to.
            process_.waitForExit(std::chrono::seconds(1));
            throw failure(plainReason(str(e.Message), what));
        } catch (const uno::Exception& e) {
            throw failure(plainReason(str(e.Message), what));
        } catch (const std::exception& e) {
            throw failure(e.what());
        }
    }

    // How often a range starts a show that stays black before it takes what it has.
    static constexpr int MaxShowStarts = 3;
    // Below this many slides a helper office would not pay for its start-up: it helps only
    // about a second after the export begins (start and open of a 120-slide deck), while one
    // office exports a plain slide in 30-40 ms, so the break-even is near 30 slides; the rest
    // is margin for the two offices sharing two cores.
    static constexpr int HelperMinSlides = 40;
    // The longest the end of an export waits for the helper's last slide before doing it too.
    static constexpr std::chrono::milliseconds HelperGrace{1500};

    const std::string program_;
    const OfficeBounds bounds_;
    const Role role_;
    std::unique_ptr<SerialWorker> helperThread_;
    std::mutex helperMutex_;                  // guards helper_ against stopHelper()
    std::unique_ptr<LibreOfficeApp> helper_;  // used on helperThread_ only
    ExportProgress exportProgress_;           // called on SaveAs's own thread only
    const bool display_;
    OfficeProcess process_;
    Watchdog watchdog_;
    Reference<uno::XComponentContext> remote_;
    Reference<frame::XDesktop2> desktop_;
    Reference<lang::XComponent> document_;
    Reference<drawing::XGraphicExportFilter> exportFilter_;  // made once, used for every slide
    std::string path_;
    std::chrono::steady_clock::time_point loadedAt_;
    bool visible_ = false;
    int advanceMode_ = 1;
    bool showRequested_ = false;
    bool showStarted_ = false;
    bool quit_ = false;
    const std::string showDisplay_;  // empty: ours
    std::unique_ptr<ShowScreenWait> screen_ = std::make_unique<ShortPause>();
    rtl::Reference<ShowProgress> progress_;
};

}  // namespace platform::office
