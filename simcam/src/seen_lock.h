// A lock guard whose locking ThreadSanitizer also sees on poll's path. Its poll interceptor runs
// this library's poll as a blocking call, with interceptors ignored, so the mutex's own lock and
// unlock go unrecorded there and the state read under it would be reported as a race (and the
// report's symbolizer, unmapping through this library, could then wait for that very lock).
#pragma once

#include <mutex>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace simcam {

class SeenLock {
  public:
    explicit SeenLock(std::mutex &mu) : mu_(mu), lock_(mu) {
#if defined(__SANITIZE_THREAD__)
        __tsan_acquire(&mu_);
#endif
    }
    ~SeenLock() {
#if defined(__SANITIZE_THREAD__)
        __tsan_release(&mu_);
#endif
    }
    SeenLock(const SeenLock &) = delete;
    SeenLock &operator=(const SeenLock &) = delete;

  private:
    std::mutex &mu_;
    std::lock_guard<std::mutex> lock_;
};

}  // namespace simcam
