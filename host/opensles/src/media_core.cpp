#include "media_core.h"

#include <algorithm>
#include <atomic>

namespace slhost {

namespace {
constexpr double kChunkSeconds = 0.005;
std::atomic<bool> g_report_dropped{false};
}  // namespace

void MediaCore::report_dropped(bool on) {
    g_report_dropped.store(on);
}

MediaCore::MediaCore(Direction direction, const PcmFormat &format, SLuint32 num_buffers,
                     Pacing pacing)
    : direction_(direction),
      format_(format),
      num_buffers_(num_buffers),
      pacing_(pacing),
      byte_rate_(static_cast<double>(format.frame_bytes()) * format.rate_mhz / 1000.0),
      chunk_bytes_(
          std::max<size_t>(1, static_cast<size_t>(format.rate_mhz / 1000.0 * kChunkSeconds)) *
          format.frame_bytes()) {}

MediaCore::~MediaCore() {
    shutdown();
}

void MediaCore::start(std::unique_ptr<PlaybackSink> sink, std::unique_ptr<CaptureSource> source,
                      const void *caller) {
    std::lock_guard<std::mutex> lock(mutex_);
    sink_ = std::move(sink);
    source_ = std::move(source);
    caller_ = caller;
    if (direction_ == Direction::Playback) {
        pacer_ = dynamic_cast<DevicePacer *>(sink_.get());
    } else {
        pacer_ = dynamic_cast<DevicePacer *>(source_.get());
    }
    started_ = true;
    thread_ = std::thread([self = shared_from_this()] { self->run(); });
    thread_id_ = thread_.get_id();
}

void MediaCore::shutdown() {
    std::thread thread;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
        callback_ = QueueCallback{};
        thread = std::move(thread_);
        work_cv_.notify_all();
        idle_cv_.notify_all();
    }
    if (!thread.joinable()) {
        return;
    }
    if (thread.get_id() == std::this_thread::get_id()) {
        thread.detach();  // destroyed from its own callback: it ends when the callback returns
        return;
    }
    thread.join();
    std::lock_guard<std::mutex> lock(mutex_);
    sink_.reset();  // a WAV file is complete once the object is destroyed
    source_.reset();
}

bool MediaCore::active() const {
    return state_ == 3;
}

bool MediaCore::on_own_thread() const {
    return std::this_thread::get_id() == thread_id_;
}

SLresult MediaCore::enqueue(const void *data, SLuint32 size) {
    if (data == nullptr || size == 0) {
        return SL_RESULT_PARAMETER_INVALID;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (queue_.size() >= num_buffers_) {
        return SL_RESULT_BUFFER_INSUFFICIENT;
    }
    queue_.push_back(Buffer{static_cast<uint8_t *>(const_cast<void *>(data)), size, 0});
    if (active()) {
        work_cv_.notify_all();
    }
    return SL_RESULT_SUCCESS;
}

void MediaCore::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!g_report_dropped.load()) {
        resolved_ += due_;
        due_ = 0;
        dropped_due_ = 0;
    }
    drop_queue();
    credit_bytes_ = 0;
    clock_running_ = false;
    idle_cv_.notify_all();
}

void MediaCore::drop_queue() {
    if (g_report_dropped.load()) {
        dropped_due_ += static_cast<SLuint32>(queue_.size());
        work_cv_.notify_all();
    }
    queue_.clear();
}

void MediaCore::queue_state(SLuint32 &count, SLuint32 &index) {
    std::lock_guard<std::mutex> lock(mutex_);
    count = static_cast<SLuint32>(queue_.size());
    index = index_;
}

SLresult MediaCore::register_callback(const QueueCallback &callback) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (state_ != 1) {
        return SL_RESULT_PRECONDITIONS_VIOLATED;
    }
    callback_ = callback;
    return SL_RESULT_SUCCESS;
}

SLresult MediaCore::set_state(SLuint32 state) {
    if (state < 1 || state > 3) {
        return SL_RESULT_PARAMETER_INVALID;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (state == 1) {
        position_bytes_ = 0;
        if (state_ != 1 && g_report_dropped.load()) {
            drop_queue();
        }
    }
    if (state != state_) {
        clock_running_ = false;
    }
    state_ = state;
    if (!active()) {
        credit_bytes_ = 0;
    }
    work_cv_.notify_all();
    idle_cv_.notify_all();
    return SL_RESULT_SUCCESS;
}

SLuint32 MediaCore::state() {
    std::lock_guard<std::mutex> lock(mutex_);
    return state_;
}

SLmillisecond MediaCore::position_ms() {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<SLmillisecond>(format_.bytes_to_ms(position_bytes_));
}

void MediaCore::add_time(SLuint32 ms) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!started_ || quit_ || !active() || queue_.empty()) {
        return;  // nothing to play or record: the time is lost
    }
    credit_frac_ += static_cast<uint64_t>(ms) * format_.rate_mhz;
    credit_bytes_ += credit_frac_ / 1000000u * format_.frame_bytes();
    credit_frac_ %= 1000000u;
    work_cv_.notify_all();
}

int MediaCore::complete_next(bool wait) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!started_ || quit_) {
        return -1;
    }
    if (!active() || queue_.empty()) {
        return 0;
    }
    const Buffer &head = queue_.front();
    transfer(head.size - head.done);
    const uint64_t mine = completed_;
    work_cv_.notify_all();
    if (wait && !on_own_thread()) {
        idle_cv_.wait(lock, [&] { return resolved_ >= mine || quit_; });
    }
    return 1;
}

bool MediaCore::settled() const {
    return due_ == 0 && dropped_due_ == 0 && !callback_running_ && credit_bytes_ == 0;
}

void MediaCore::wait_settled() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (on_own_thread()) {
        return;
    }
    idle_cv_.wait(lock, [&] { return settled() || quit_; });
}

uint64_t MediaCore::callbacks() {
    std::lock_guard<std::mutex> lock(mutex_);
    return callbacks_;
}

void MediaCore::fill_info(slhost_object_info &info) {
    std::lock_guard<std::mutex> lock(mutex_);
    info.state = state_;
    info.queued = static_cast<SLuint32>(queue_.size());
    info.callbackRunning = callback_running_ ? 1 : 0;
    info.completed = completed_;
    info.bytes = bytes_;
}

void MediaCore::transfer(size_t n) {
    Buffer &b = queue_.front();
    if (direction_ == Direction::Playback) {
        sink_->write(b.data + b.done, n);
    } else {
        source_->read(b.data + b.done, n);
    }
    b.done += static_cast<SLuint32>(n);
    bytes_ += n;
    position_bytes_ += n;
    if (b.done == b.size) {
        queue_.pop_front();
        ++completed_;
        ++index_;
        ++due_;
    }
}

// `dropped`: the report of a dropped buffer, which resolves no completion.
void MediaCore::deliver_one(std::unique_lock<std::mutex> &lock, bool dropped) {
    if (dropped) {
        --dropped_due_;
    } else {
        --due_;
    }
    const uint64_t resolves = dropped ? 0 : 1;
    QueueCallback cb = callback_;
    if (!cb.set()) {
        resolved_ += resolves;
        idle_cv_.notify_all();
        return;
    }
    callback_running_ = true;
    lock.unlock();
    if (cb.plain != nullptr) {
        cb.plain(static_cast<SLBufferQueueItf>(caller_), cb.context);
    } else {
        cb.android(static_cast<SLAndroidSimpleBufferQueueItf>(caller_), cb.context);
    }
    lock.lock();
    callback_running_ = false;
    ++callbacks_;
    resolved_ += resolves;
    idle_cv_.notify_all();
}

bool MediaCore::manual_step() {
    if (!active() || queue_.empty()) {
        credit_bytes_ = 0;
        return false;
    }
    if (credit_bytes_ == 0) {
        return false;
    }
    const Buffer &head = queue_.front();
    size_t n = static_cast<size_t>(std::min<uint64_t>(head.size - head.done, credit_bytes_));
    transfer(n);
    credit_bytes_ -= n;
    return true;
}

bool MediaCore::realtime_step(std::unique_lock<std::mutex> &lock) {
    using Clock = std::chrono::steady_clock;
    if (!active() || queue_.empty()) {
        clock_running_ = false;
        return false;
    }
    const auto now = Clock::now();
    if (!clock_running_) {
        clock_running_ = true;
        clock_start_ = now;
        clock_bytes_ = 0;
    }
    const Buffer &head = queue_.front();
    const size_t n = std::min<size_t>(head.size - head.done, chunk_bytes_);
    const auto due =
        clock_start_ + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                           static_cast<double>(clock_bytes_ + n) / byte_rate_));
    if (now < due) {
        work_cv_.wait_until(lock, due);
        return true;  // look again: the state or the queue may have changed
    }
    transfer(n);
    clock_bytes_ += n;
    return true;
}

bool MediaCore::device_step(std::unique_lock<std::mutex> &lock) {
    // Only this thread uses the sink or source until it ends, so it may use them without the
    // lock. A paused or stopped object holds its device; one playing with nothing queued does
    // not (its device underruns, as a phone's would).
    if (device_held_ == active()) {
        device_held_ = !active();
        const bool hold = device_held_;
        lock.unlock();
        pacer_->hold(hold);
        lock.lock();
        return true;  // look again: the state may have changed meanwhile
    }
    if (!active() || queue_.empty()) {
        return false;
    }
    lock.unlock();
    const size_t ready = pacer_->wait_ready();
    lock.lock();
    if (ready > 0 && active() && !queue_.empty() && !quit_) {
        const Buffer &head = queue_.front();
        transfer(std::min<size_t>(head.size - head.done, ready));
    }
    return true;
}

void MediaCore::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!quit_) {
        if (due_ > 0 || dropped_due_ > 0) {
            deliver_one(lock, due_ == 0);
            continue;
        }
        bool worked = pacing_ == Pacing::Manual ? manual_step()
                      : pacer_ != nullptr       ? device_step(lock)
                                                : realtime_step(lock);
        if (worked) {
            continue;
        }
        idle_cv_.notify_all();
        work_cv_.wait(lock);
    }
    idle_cv_.notify_all();
}

}  // namespace slhost
