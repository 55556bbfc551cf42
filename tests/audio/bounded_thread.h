// A test thread whose join is bounded: a body that never returns (a caller blocked for good)
// fails the test instead of hanging until ctest's timeout. The process then ends, since the
// body still uses the test's objects.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

namespace audiotest {

class BoundedThread {
public:
    explicit BoundedThread(std::function<void()> body)
        : thread_([this, body = std::move(body)] {
              body();
              std::lock_guard<std::mutex> held(mutex_);
              done_ = true;
              ended_.notify_all();
          }) {}
    ~BoundedThread() { join(); }
    BoundedThread(const BoundedThread &) = delete;
    BoundedThread &operator=(const BoundedThread &) = delete;

    void join() {
        if (!thread_.joinable()) return;
        std::unique_lock<std::mutex> held(mutex_);
        if (!ended_.wait_for(held, std::chrono::seconds(60), [this] { return done_; })) {
            ADD_FAILURE() << "a test thread is still blocked after 60 s";
            std::fflush(nullptr);
            std::abort();
        }
        held.unlock();
        thread_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable ended_;
    bool done_ = false;
    std::thread thread_;
};

}  // namespace audiotest
