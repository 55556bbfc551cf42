// Builds engines, players and recorders for the OpenSL ES tests, and records callbacks.
#pragma once

#include <SLES/OpenSLES.h>
#include <SLES/OpenSLES_Android.h>
#include <opensles_host/test_control.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace sltest {

// A realized engine and its interface; destroyed with the holder.
struct Engine {
    Engine();
    ~Engine();
    SLObjectItf object = nullptr;
    SLEngineItf itf = nullptr;
};

// 16-bit PCM (SLDataFormat_PCM) or float (SLAndroidDataFormat_PCM_EX) at `hz`.
SLAndroidDataFormat_PCM_EX pcm16(SLuint32 channels, SLuint32 hz);
SLAndroidDataFormat_PCM_EX pcm_float(SLuint32 channels, SLuint32 hz);

// A realized player (buffer queue to output mix) or recorder (audio input to simple buffer
// queue) with its interfaces; destroyed with the holder unless destroyed already.
struct Player {
    Player(const Engine &engine, const void *format, SLuint32 num_buffers);
    ~Player();
    void destroy();
    SLresult create_result = SL_RESULT_UNKNOWN_ERROR;
    SLObjectItf mix = nullptr;
    SLObjectItf object = nullptr;
    SLPlayItf play = nullptr;
    SLBufferQueueItf queue = nullptr;
};

struct Recorder {
    Recorder(const Engine &engine, const void *format, SLuint32 num_buffers);
    ~Recorder();
    void destroy();
    SLresult create_result = SL_RESULT_UNKNOWN_ERROR;
    SLObjectItf object = nullptr;
    SLRecordItf record = nullptr;
    SLAndroidSimpleBufferQueueItf queue = nullptr;
};

// Records every buffer-queue callback (the queue it names, the thread it ran on) and can hold
// callbacks: while held, a callback that starts says so and waits to be let go (at most 10 s,
// after which it notes that it timed out, so a test that would deadlock fails instead).
// `action`, when set, runs inside each callback before it returns, without the log's lock.
class Callbacks {
  public:
    struct Call {
        const void *queue;
        std::thread::id thread;
    };
    static void on_plain(SLBufferQueueItf queue, void *self);
    static void on_android(SLAndroidSimpleBufferQueueItf queue, void *self);

    std::vector<Call> calls() const;
    size_t count() const;
    // Blocks until `n` callbacks have returned.
    void wait_for(size_t n) const;

    void hold();
    // Blocks until a held callback runs.
    void wait_running() const;
    void release();
    bool timed_out() const;
    // Callbacks that have started and not yet returned.
    int running() const;

    std::function<void(const void *queue)> action;

  private:
    void add(const void *queue);
    mutable std::mutex mutex_;
    mutable std::condition_variable cv_;
    std::vector<Call> calls_;
    bool held_ = false;
    int running_ = 0;
    bool timed_out_ = false;
};

// Spins (yielding) until `done` holds; for states another thread reaches without telling.
template <typename Pred>
void spin_until(Pred done) {
    while (!done()) {
        std::this_thread::yield();
    }
}

}  // namespace sltest
