// What the page draws: every frame's size and kind, frames per second, bit rate over the last
// second and over the last whole GOP (IDR frame to IDR frame).
#pragma once

#include <stdint.h>

#include <deque>
#include <mutex>
#include <vector>

namespace orvcli {

struct FrameRecord {
    uint64_t seq = 0;
    int64_t arrival_us = 0;
    uint32_t size = 0;
    bool idr = false;
};

struct StatsSnapshot {
    std::vector<FrameRecord> frames;  // the records after the `after` asked for (the last 600 at most)
    uint64_t last_seq = 0;
    double fps = 0;           // over the last second
    double bits_per_second = 0;
    double gop_bits_per_second = 0;  // the last whole GOP's bits over its duration
    int gop_frames = 0;
    uint64_t total_frames = 0;
    uint64_t total_bytes = 0;
};

class StreamStats {
  public:
    void Add(const FrameRecord &record);
    // Figures at `now_us` (same clock as the records), with the records after seq `after`.
    StatsSnapshot Snapshot(uint64_t after, int64_t now_us) const;

  private:
    mutable std::mutex mutex_;
    std::deque<FrameRecord> recent_;  // the last kKeep frames
    uint64_t total_frames_ = 0;
    uint64_t total_bytes_ = 0;
};

}  // namespace orvcli
