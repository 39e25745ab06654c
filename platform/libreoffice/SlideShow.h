#pragma once
// The slide show of the open presentation: its start, the moves from slide to slide, and the
// waits until a slide is on the screen, which go through ShowScreenWait.
#include <com/sun/star/presentation/XPresentation2.hpp>
#include <com/sun/star/presentation/XSlideShowController.hpp>
#include <com/sun/star/presentation/XSlideShowListener.hpp>
#include <cppuhelper/implbase1.hxx>
#include <rtl/ref.hxx>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/libreoffice/MoveStages.h"
#include "platform/libreoffice/OfficeSession.h"
#include "platform/libreoffice/ShowScreenWait.h"

namespace platform::office {

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

class SlideShow {
  public:
    // Makes the wait for the screen of a show that is about to start.
    using ScreenWatch = std::function<std::unique_ptr<ShowScreenWait>()>;

    // `beforeStart` runs before each start of a show: what else the office does goes first,
    // for the show needs the machine to itself.
    SlideShow(OfficeSession& office, ScreenWatch watchScreen, std::function<void()> beforeStart);

    void setAdvanceMode(int mode);
    // Without a display there is no show; exporting works all the same. With one, the show is
    // started by the first goToSlide: an all-slides export then never waits for it.
    void request();
    // Another presentation was opened: its show is neither asked for nor started.
    void forget() {
        requested_ = started_ = false;
        show_.clear();
        controller_.clear();
    }
    // Returns once the slide is on the screen.
    void goToSlide(int slideNumber);
    const MoveStages& lastMoveStages() const { return stages_; }

  private:
    Reference<presentation::XPresentation2> presentation();
    Reference<presentation::XSlideShowController> runningController();
    void startShow();
    void moveTo(int slideNumber, bool wasStarted);
    void endShow();

    // How often a range starts a show that stays black before it takes what it has.
    static constexpr int MaxShowStarts = 3;

    OfficeSession& office_;
    ScreenWatch watchScreen_;
    std::function<void()> beforeStart_;
    int advanceMode_ = 1;
    bool requested_ = false;
    bool started_ = false;
    std::unique_ptr<ShowScreenWait> screen_ = std::make_unique<ShortPause>();
    rtl::Reference<ShowProgress> progress_;
    // The presentation's show and, while it runs, its controller.
    Reference<presentation::XPresentation2> show_;
    Reference<presentation::XSlideShowController> controller_;
    MoveStages stages_;
};

}  // namespace platform::office
