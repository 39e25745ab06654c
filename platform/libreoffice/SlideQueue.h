#pragma once
// The slides of one export still to do, shared by the offices that export them.
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace platform::office {

// Slides still to export, shared by the main office (from the front) and its helpers (from the
// back). Once closed, only the front is served: the helpers stop, the main office goes on.
class SlideQueue {
  public:
    explicit SlideQueue(const std::vector<int>& slides) : slides_(slides.begin(), slides.end()) {}
    std::optional<int> takeFront() { return take(true); }
    std::optional<int> takeBack() { return take(false); }
    bool closed() {
        const std::lock_guard lock(mutex_);
        return closed_;
    }
    void giveBack(int slide) {
        const std::lock_guard lock(mutex_);
        slides_.push_back(slide);
        --inFlight_;
    }
    void close() {
        const std::lock_guard lock(mutex_);
        closed_ = true;
    }
    // Any office, after a slide it took is exported.
    void markDone() {
        const std::lock_guard lock(mutex_);
        ++done_;
        --inFlight_;
    }
    int done() {
        const std::lock_guard lock(mutex_);
        return done_;
    }
    // Slides taken and neither done nor given back.
    int inFlight() {
        const std::lock_guard lock(mutex_);
        return inFlight_;
    }

  private:
    std::optional<int> take(bool front) {
        const std::lock_guard lock(mutex_);
        if ((closed_ && !front) || slides_.empty())
            return std::nullopt;
        const int slide = front ? slides_.front() : slides_.back();
        front ? slides_.pop_front() : slides_.pop_back();
        ++inFlight_;
        return slide;
    }
    std::mutex mutex_;
    std::deque<int> slides_;
    bool closed_ = false;
    int done_ = 0;
    int inFlight_ = 0;
};

}  // namespace platform::office
