#include "stream_stats.h"

namespace orvcli {
namespace {

// Enough for the strip and for a GOP of 10 s at 60 fps.
constexpr size_t kKeep = 600;
constexpr int64_t kWindowUs = 1000000;

}  // namespace

void StreamStats::Add(const FrameRecord &record) {
    std::lock_guard<std::mutex> lock(mutex_);
    recent_.push_back(record);
    if (recent_.size() > kKeep)
        recent_.pop_front();
    ++total_frames_;
    total_bytes_ += record.size;
}

StatsSnapshot StreamStats::Snapshot(uint64_t after, int64_t now_us) const {
    std::lock_guard<std::mutex> lock(mutex_);
    StatsSnapshot s;
    s.total_frames = total_frames_;
    s.total_bytes = total_bytes_;
    if (recent_.empty())
        return s;
    s.last_seq = recent_.back().seq;
    uint64_t window_bytes = 0;
    int window_frames = 0;
    for (const FrameRecord &r : recent_) {
        if (r.seq > after)
            s.frames.push_back(r);
        if (r.arrival_us > now_us - kWindowUs) {
            window_bytes += r.size;
            ++window_frames;
        }
    }
    s.fps = window_frames;
    s.bits_per_second = static_cast<double>(window_bytes) * 8;
    // The last whole GOP: from the last-but-one IDR frame up to the last one.
    size_t end = recent_.size();
    while (end > 0 && !recent_[end - 1].idr)
        --end;
    if (end > 1) {
        const size_t last = end - 1;
        size_t first = last;
        while (first > 0 && !recent_[first - 1].idr)
            --first;
        if (first > 0) {
            --first;
            uint64_t bytes = 0;
            for (size_t i = first; i < last; ++i)
                bytes += recent_[i].size;
            const int64_t span = recent_[last].arrival_us - recent_[first].arrival_us;
            s.gop_frames = static_cast<int>(last - first);
            if (span > 0)
                s.gop_bits_per_second = static_cast<double>(bytes) * 8 * 1e6 / span;
        }
    }
    return s;
}

}  // namespace orvcli
