// The running part of a player or recorder: its buffer queue, its play or record state, its
// position, and the thread that moves audio through the queue and calls the callback.
//
// The thread consumes (playback) or fills (capture) the oldest queued buffer only while the
// object plays or records, paced by the wall clock or by the manual clock. Each completed buffer
// leaves the queue and is reported by one callback, in enqueue order, on that thread. The lock is
// never held while a callback runs, so a callback may call every operation here, and any thread
// may call them while a callback runs.
#pragma once

#include <SLES/OpenSLES.h>
#include <SLES/OpenSLES_Android.h>
#include <opensles_host/test_control.h>

#include "data_path.h"
#include "device_path.h"
#include "pcm_format.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace slhost {

enum class Pacing { RealTime, Manual };

// A registered buffer-queue callback: the standard or the Android signature, as registered.
struct QueueCallback {
    slBufferQueueCallback plain = nullptr;
    slAndroidSimpleBufferQueueCallback android = nullptr;
    void *context = nullptr;
    bool set() const { return plain != nullptr || android != nullptr; }
};

class MediaCore : public std::enable_shared_from_this<MediaCore> {
  public:
    MediaCore(Direction direction, const PcmFormat &format, SLuint32 num_buffers, Pacing pacing);
    ~MediaCore();
    MediaCore(const MediaCore &) = delete;
    MediaCore &operator=(const MediaCore &) = delete;

    // Starts the thread. `caller` is the queue interface handed to every callback.
    void start(std::unique_ptr<PlaybackSink> sink, std::unique_ptr<CaptureSource> source,
               const void *caller);
    // Ends the thread. Waits for a running callback, unless called from that callback.
    void shutdown();

    // SL_RESULT_BUFFER_INSUFFICIENT when `num_buffers` buffers are queued.
    SLresult enqueue(const void *data, SLuint32 size);
    // Drops every queued buffer and every callback not yet started; while dropped buffers are
    // reported (report_dropped), their callbacks come instead and none is dropped.
    void clear();
    void queue_state(SLuint32 &count, SLuint32 &index);
    // Only while stopped (SL_RESULT_PRECONDITIONS_VIOLATED otherwise). Never waits for a
    // running callback; no callback starts with the old registration after it returns.
    SLresult register_callback(const QueueCallback &callback);
    // 1 stopped (position back to 0), 2 paused, 3 playing or recording. While dropped buffers
    // are reported, stopping a paused or playing (recording) object drops its queued buffers and
    // reports each by a callback.
    SLresult set_state(SLuint32 state);
    SLuint32 state();
    SLmillisecond position_ms();

    // Manual clock: `ms` milliseconds pass for this object.
    void add_time(SLuint32 ms);
    // 1 completed (and, with `wait`, its callback returned), 0 nothing to complete, -1 gone.
    int complete_next(bool wait);
    // Waits until the time given is used and no callback is due or running.
    void wait_settled();
    uint64_t callbacks();

    void fill_info(slhost_object_info &info);

    // Process-wide test mode: Clear and a stop report the buffers they drop by one callback each
    // (on the object's thread, after the call returns, in queue order), as some Android versions
    // do. Dropped buffers never count as completed. Off by default.
    static void report_dropped(bool on);

  private:
    struct Buffer {
        uint8_t *data;
        SLuint32 size;
        SLuint32 done;
    };

    void run();
    bool active() const;
    bool settled() const;
    bool on_own_thread() const;
    void deliver_one(std::unique_lock<std::mutex> &lock, bool dropped);
    // Drops every queued buffer, reporting each when the test mode asks for it.
    void drop_queue();
    bool manual_step();
    bool realtime_step(std::unique_lock<std::mutex> &lock);
    bool device_step(std::unique_lock<std::mutex> &lock);
    // Moves `n` bytes of the oldest buffer; completes it when it is full.
    void transfer(size_t n);

    const Direction direction_;
    const PcmFormat format_;
    const SLuint32 num_buffers_;
    const Pacing pacing_;
    const double byte_rate_;    // bytes per second
    const size_t chunk_bytes_;  // what the real-time clock moves at a time

    std::mutex mutex_;
    std::condition_variable work_cv_;  // wakes the thread
    std::condition_variable idle_cv_;  // wakes those waiting for callbacks to end
    std::deque<Buffer> queue_;
    SLuint32 state_ = 1;
    QueueCallback callback_;
    const void *caller_ = nullptr;
    std::unique_ptr<PlaybackSink> sink_;
    std::unique_ptr<CaptureSource> source_;
    DevicePacer *pacer_ = nullptr;  // the sink or source, when its device sets the pace
    bool device_held_ = false;      // the pacer was told the object is paused or stopped
    std::thread thread_;
    std::thread::id thread_id_;
    bool started_ = false;
    bool quit_ = false;

    SLuint32 due_ = 0;          // completed buffers whose callback has not started
    SLuint32 dropped_due_ = 0;  // dropped buffers whose report has not started
    bool callback_running_ = false;
    uint64_t completed_ = 0;  // buffers completed
    uint64_t resolved_ = 0;   // completions whose callback ran, or was dropped
    uint64_t callbacks_ = 0;  // callbacks that ran
    uint64_t bytes_ = 0;      // bytes moved since creation
    uint64_t position_bytes_ = 0;
    SLuint32 index_ = 0;

    uint64_t credit_bytes_ = 0;  // manual clock: bytes that may still move
    uint64_t credit_frac_ = 0;   // manual clock: millionths of a frame not yet granted

    bool clock_running_ = false;  // real-time clock
    std::chrono::steady_clock::time_point clock_start_;
    uint64_t clock_bytes_ = 0;
};

}  // namespace slhost
