// A test thread whose join is bounded: a body still blocked after a minute fails the test and
// ends the process (the body still uses the test's objects) instead of waiting for ctest's timeout.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <future>

namespace audiotest {

class BoundedThread {
  public:
    explicit BoundedThread(std::function<void()> body)
        : done_(std::async(std::launch::async, std::move(body))) {}
    ~BoundedThread() { join(); }
    void join() {
        if (!done_.valid())
            return;
        if (done_.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
            ADD_FAILURE() << "a test thread is still blocked after 60 s";
            std::abort();
        }
        done_.get();
    }

  private:
    std::future<void> done_;
};

}  // namespace audiotest
