// Frame production: the clocks, the encoder, and a frame's way into a queued buffer.
#include <time.h>

#include <chrono>
#include <cstring>

#include "camera.h"
#include "simcam/capture_time_sei.h"

namespace simcam {
namespace {

constexpr size_t kKeptFrames = 256;

// Puts the capture-time SEI before the access unit's first slice, where SEI belongs.
void StampCaptureTime(uint64_t monotonic_ns, std::vector<uint8_t> *bytes) {
    const std::vector<uint8_t> sei = CaptureTimeSei(monotonic_ns);
    const std::vector<uint8_t> &b = *bytes;
    size_t at = b.size();
    for (size_t i = 0; i + 3 < b.size(); ++i)
        if (b[i] == 0 && b[i + 1] == 0 && b[i + 2] == 1 && (b[i + 3] & 0x1f) >= 1 &&
            (b[i + 3] & 0x1f) <= 5) {
            at = i > 0 && b[i - 1] == 0 ? i - 1 : i;
            break;
        }
    bytes->insert(bytes->begin() + static_cast<std::ptrdiff_t>(at), sei.begin(), sei.end());
}

uint64_t MonotonicNs() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
}

uint16_t Le16(const uint8_t *p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t Le32(const uint8_t *p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

EncodeSettings Camera::CurrentSettings() const {
    EncodeSettings s;
    s.frame_interval = Le32(block_ + 0);
    s.bitrate = Le32(block_ + 4);
    s.width = Le16(block_ + 12);
    s.height = Le16(block_ + 14);
    s.profile = Le16(block_ + 20);
    s.iframe_period = Le16(block_ + 22);
    s.rate_control = block_[29];
    return s;
}

bool Camera::EncodeOne(std::vector<uint8_t> *bytes, bool *idr) {
    if (pixelformat_ == V4L2_PIX_FMT_YUYV) {
        bytes->resize(static_cast<size_t>(width_) * height_ * 2);
        Encoder::DrawYuyv(width_, height_, sequence_, bytes->data(), bytes->size());
        *idr = false;
        return true;
    }
    const bool ok = encoder_.Encode(CurrentSettings(), idr_requested_, bytes, idr);
    if (ok)
        idr_requested_ = false;
    return ok;
}

void Camera::PrepareFast() {
    const EncodeSettings s = CurrentSettings();
    if (!fast_frames_.empty() && s == fast_settings_)
        return;
    fast_frames_.clear();
    fast_idr_.clear();
    fast_next_ = 0;
    fast_settings_ = s;
    idr_requested_ = true;
    for (int i = 0; i < config_.prebuffered_frames; ++i) {
        std::vector<uint8_t> bytes;
        bool idr = false;
        if (!EncodeOne(&bytes, &idr))
            break;
        fast_frames_.push_back(std::move(bytes));
        fast_idr_.push_back(idr);
    }
}

bool Camera::ProduceFrame() {
    if (!streaming_ || faults_.stalled || faults_.unplugged)
        return false;
    const uint64_t captured_ns = MonotonicNs();
    std::vector<uint8_t> bytes;
    bool idr = false;
    if (clock_ == Clock::kFast) {
        PrepareFast();
        if (fast_frames_.empty())
            return false;
        if (idr_requested_) {
            fast_next_ = 0;
            idr_requested_ = false;
        }
        bytes = fast_frames_[fast_next_];
        idr = fast_idr_[fast_next_];
        fast_next_ = (fast_next_ + 1) % fast_frames_.size();
    } else if (!EncodeOne(&bytes, &idr)) {
        return false;
    }
    if (config_.stamp_capture_time && pixelformat_ != V4L2_PIX_FMT_YUYV)
        StampCaptureTime(captured_ns, &bytes);
    const uint64_t sequence = sequence_++;
    if (queued_.empty()) {
        ++dropped_;
        return false;
    }
    const uint32_t index = queued_.front();
    queued_.pop_front();
    Buffer &buf = buffers_[index];
    uint8_t *dst = memory_ == V4L2_MEMORY_MMAP ? memory_map_ + buf.offset
                                               : reinterpret_cast<uint8_t *>(buf.userptr);
    const size_t capacity = memory_ == V4L2_MEMORY_MMAP ? buffer_length_ : buf.user_length;
    const size_t n = bytes.size() < capacity ? bytes.size() : capacity;
    std::memcpy(dst, bytes.data(), n);
    buf.bytesused = static_cast<uint32_t>(n);
    const bool corrupt = faults_.corrupt_frames > 0;
    if (corrupt)
        --faults_.corrupt_frames;
    const bool error = corrupt || n < bytes.size();
    if (error && config_.drop_corrupted) {
        // The buffer goes back to the queue for the next frame; the sequence number is spent.
        queued_.push_front(index);
        ++dropped_;
        return false;
    }
    buf.flags = (idr ? V4L2_BUF_FLAG_KEYFRAME : 0) | (error ? V4L2_BUF_FLAG_ERROR : 0);
    buf.sequence = static_cast<uint32_t>(sequence);
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    buf.timestamp.tv_sec = now.tv_sec;
    buf.timestamp.tv_usec = now.tv_nsec / 1000;
    buf.state = BufState::kDone;
    done_.push_back(index);
    bytes.resize(n);
    delivered_.push_back(Frame{sequence, index, idr, error, std::move(bytes)});
    while (delivered_.size() > kKeptFrames)
        delivered_.pop_front();
    UpdateReadable();
    cv_.notify_all();
    return true;
}

void Camera::StartProducer() {
    if (producer_.joinable())
        return;
    producer_ = std::thread(&Camera::ProducerLoop, this, producer_generation_);
}

std::thread Camera::TakeProducer() {
    ++producer_generation_;  // the running loop, if any, ends
    cv_.notify_all();
    return std::move(producer_);
}

void Camera::ProducerLoop(uint64_t generation) {
    using std::chrono::steady_clock;
    Lock lock(mu_);
    steady_clock::time_point next = steady_clock::now();
    const auto stopped = [this, generation] { return producer_generation_ != generation; };
    while (!stopped()) {
        uint32_t interval = CurrentSettings().frame_interval;
        if (interval == 0)
            interval = 333333;
        next += std::chrono::microseconds(interval / 10);
        if (cv_.wait_until(lock, next, stopped))
            break;
        ProduceFrame();
        // After a long stall (a slow encoder, a stopped process) start afresh, no burst.
        const steady_clock::time_point now = steady_clock::now();
        if (now - next > std::chrono::seconds(1))
            next = now;
    }
}

void Camera::SetClock(Clock clock) {
    std::thread producer;
    {
        std::lock_guard<std::mutex> lock(mu_);
        if (clock == clock_)
            return;
        clock_ = clock;
        if (clock_ != Clock::kRealTime)
            producer = TakeProducer();
        else if (streaming_)
            StartProducer();
        if (clock_ == Clock::kFast && streaming_)
            while (!queued_.empty() && ProduceFrame()) {
            }
    }
    if (producer.joinable())
        producer.join();
}

int Camera::ReleaseFrames(int n) {
    std::lock_guard<std::mutex> lock(mu_);
    int delivered = 0;
    for (int i = 0; i < n; ++i)
        if (ProduceFrame())
            ++delivered;
    return delivered;
}

}  // namespace simcam
