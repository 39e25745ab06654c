#pragma once
// The slides of one export still to do, shared by the offices that export them.
#include <atomic>
#include <deque>
#include <mutex>
#include <optional>

namespace platform::office {

// Slides still to export, shared by the main office (from the front) and a helper (from the
// back). Once closed, only the front is served: the helper stops, the main office goes on.
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
    // Any office, after a slide is exported.
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

}  // namespace platform::office
