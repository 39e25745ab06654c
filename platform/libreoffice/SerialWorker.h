#pragma once
// One thread that runs the tasks given to it in order, until it is destroyed.
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

namespace platform::office {

class SerialWorker {
  public:
    SerialWorker() : thread_([this] { run(); }) {}
    // Runs what was asked of it, then joins.
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

}  // namespace platform::office
