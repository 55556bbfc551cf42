// Builds engines, players and recorders for the OpenSL ES tests, and records callbacks.
#pragma once

#include <SLES/OpenSLES.h>
#include <SLES/OpenSLES_Android.h>
#include <opensles_host/test_control.h>

#include <condition_variable>
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

// Records every callback: the queue it names, the thread it ran on, and the tag of the buffer
// that completed (the test keeps its buffers in a FIFO and names them itself).
class CallbackLog {
  public:
    struct Call {
        const void *queue;
        std::thread::id thread;
    };
    static void on_plain(SLBufferQueueItf queue, void *self);
    static void on_android(SLAndroidSimpleBufferQueueItf queue, void *self);
    std::vector<Call> calls() const;
    size_t count() const;
    // Blocks until `n` callbacks have come (real-time back ends only).
    void wait_for(size_t n) const;

  private:
    void add(const void *queue);
    mutable std::mutex mutex_;
    mutable std::condition_variable cv_;
    std::vector<Call> calls_;
};

}  // namespace sltest
