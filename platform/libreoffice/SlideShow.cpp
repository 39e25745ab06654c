// The slide show: its start and the moves from slide to slide.
#include "platform/libreoffice/SlideShow.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/presentation/XPresentationSupplier.hpp>

#include <thread>

namespace platform::office {

using namespace std::chrono_literals;

SlideShow::SlideShow(OfficeSession& office, ScreenWatch watchScreen,
                     std::function<void()> beforeStart)
    : office_(office), watchScreen_(std::move(watchScreen)), beforeStart_(std::move(beforeStart)) {}

void SlideShow::setAdvanceMode(int mode) {
    office_.requireDocument("SlideShowSettings.AdvanceMode");
    advanceMode_ = mode;
}

void SlideShow::request() {
    office_.requireDocument("SlideShowSettings.Run");
    requested_ = true;
}

void SlideShow::goToSlide(int slideNumber) {
    office_.requireDocument("GoToSlide");
    if (!office_.hasDisplay())
        throw AutomationError("GoToSlide: no display for the slide show");
    if (!requested_)
        throw AutomationError("GoToSlide: the slide show is not running");
    const int count = office_.slideCount();
    if (slideNumber < 1 || slideNumber > count)
        throw AutomationError("GoToSlide: there is no slide " + std::to_string(slideNumber) +
                              " (the presentation has " + std::to_string(count) + ")");
    // A show started while the office is still busy with its document window can stay black
    // for good, most often on a busy machine: such a show is ended and started again.
    for (int start = 1;; ++start) {
        const bool wasStarted = started_;
        if (!started_) {
            beforeStart_();
            startShow();
        }
        moveTo(slideNumber, wasStarted);
        if (wasStarted || start == MaxShowStarts || !screen_->showsOnlyBlack())
            return;
        endShow();
    }
}

void SlideShow::moveTo(int slideNumber, bool wasStarted) {
    screen_->prepareMove();
    stages_ = {};
    auto since = std::chrono::steady_clock::now();
    const auto stage = [&since](MoveStages::Ms& took) {
        const auto now = std::chrono::steady_clock::now();
        took = now - since;
        since = now;
    };
    office_.bounded("moving the slide show to slide " + std::to_string(slideNumber), [&] {
        // Never call into an ended show: its old controller crashes the office.
        Reference<presentation::XSlideShowController> controller = runningController();
        if (!controller.is())
            throw AutomationError("GoToSlide: the slide show has ended");
        const bool alreadyShown =
            wasStarted && controller->getCurrentSlideIndex() == slideNumber - 1;
        const long finished = progress_.is() ? progress_->finished() : 0;
        controller->gotoSlideIndex(slideNumber - 1);
        stage(stages_.call);
        // The move is asynchronous: wait until the show reports the slide.
        sal_Int32 shown = controller->getCurrentSlideIndex();
        for (int i = 0; i < 200 && shown != slideNumber - 1; ++i) {
            std::this_thread::sleep_for(10ms);
            shown = controller->getCurrentSlideIndex();
        }
        if (shown != slideNumber - 1)
            throw AutomationError("GoToSlide: the show did not reach slide " +
                                  std::to_string(slideNumber));
        stage(stages_.reach);
        screen_->waitUntilOnScreen(!alreadyShown, !wasStarted);
        stage(stages_.frame);
        // Once drawn, the show prepares the next slide under a busy sign: the slide is complete
        // once the show is done with it and the sign is off the screen.
        if (!alreadyShown && progress_.is() && progress_->waitBeyond(finished, NextSlideLimit)) {
            stage(stages_.finished);
            screen_->takeDownBusySign();
            stage(stages_.busySign);
        }
        return 0;
    });
}

void SlideShow::endShow() {
    office_.bounded("ending the slide show", [&] {
        if (Reference<presentation::XSlideShowController> controller = runningController();
            controller.is() && progress_.is())
            controller->removeSlideShowListener(progress_.get());
        progress_.clear();
        Reference<presentation::XPresentation2> show = presentation();
        show->end();
        for (int i = 0; i < 500 && show->isRunning(); ++i) std::this_thread::sleep_for(10ms);
        controller_.clear();
        return 0;
    });
    screen_ = std::make_unique<ShortPause>();
    started_ = false;
}

Reference<presentation::XPresentation2> SlideShow::presentation() {
    return Reference<presentation::XPresentation2>(
        Reference<presentation::XPresentationSupplier>(office_.document(), UNO_QUERY_THROW)
            ->getPresentation(),
        UNO_QUERY_THROW);
}

Reference<presentation::XSlideShowController> SlideShow::runningController() {
    // Each call is a round trip to the office: what stays for the show's life is kept.
    if (!show_.is())
        show_ = presentation();
    if (!show_->isRunning()) {
        // A show ended by Esc leaves a controller that must not be asked again.
        controller_.clear();
        return {};
    }
    if (!controller_.is())
        controller_ = show_->getController();
    if (!controller_.is() || !controller_->isRunning())
        return {};
    return controller_;
}

void SlideShow::startShow() {
    office_.bounded("starting the slide show", [&] {
        // Transitions would play at every move (over a second each): switch them off.
        Reference<drawing::XDrawPages> all = office_.pages();
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
        // A show started too soon after loading stays black: give the document a second, and
        // under a window manager the time to place and draw its window.
        const auto ready = office_.loadedAt() + 1000ms;
        if (std::chrono::steady_clock::now() < ready)
            std::this_thread::sleep_until(ready);
        // The show's window is the one the office opens after now.
        screen_ = std::make_unique<ShortPause>();  // the watch of an earlier show goes first
        screen_ = watchScreen_();
        screen_->waitUntilDocumentSettled();
        show->start();
        for (int i = 0; i < 500 && !runningController().is(); ++i)
            std::this_thread::sleep_for(10ms);
        if (!runningController().is())
            throw AutomationError("the slide show did not start");
        progress_ = new ShowProgress;
        runningController()->addSlideShowListener(progress_.get());
        // The show has started: its window goes full screen and on top.
        if (!screen_->findShow())
            screen_ = std::make_unique<ShortPause>();
        return 0;
    });
    started_ = true;
}

}  // namespace platform::office
