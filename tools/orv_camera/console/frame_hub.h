// Hands each captured frame to every viewer without ever making the capture wait: a viewer
// whose queue fills up (a slow network, a tab in the background) loses the frames it holds
// and everything up to the next IDR frame, where its decoder can start again.
#pragma once

#include <stdint.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

namespace orvcli {

struct Frame {
    uint64_t seq = 0;        // 1 for the first frame of the session, never reused
    int64_t arrival_us = 0;  // steady clock
    bool idr = false;
    std::vector<uint8_t> bytes;
};
using FramePtr = std::shared_ptr<const Frame>;

// Where the capture loop hands every frame (the viewers, the statistics, the recorder). Take
// never waits for the sink's reader or writer.
class FrameSink {
  public:
    virtual ~FrameSink() = default;
    virtual void Take(const FramePtr &frame) = 0;
    // True once after the sink began waiting for an IDR frame: the capture asks the camera for
    // one rather than leave it waiting a whole period.
    virtual bool TakeIdrRequest() { return false; }
};

class ViewerQueue {
  public:
    ViewerQueue(size_t capacity, std::atomic<bool> *idr_wanted)
        : capacity_(capacity), idr_wanted_(idr_wanted) {}
    // The next frame, waiting up to `wait`; null on timeout or once closed.
    FramePtr Pop(std::chrono::milliseconds wait);
    // Frames this viewer lost so far.
    uint64_t dropped() const;

  private:
    friend class FrameHub;
    void Push(const FramePtr &frame);
    void Close();

    const size_t capacity_;
    std::atomic<bool> *idr_wanted_;
    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<FramePtr> frames_;
    bool started_ = false;     // a first IDR frame was queued
    bool waiting_idr_ = true;  // dropping until the next IDR frame
    bool closed_ = false;
    uint64_t dropped_ = 0;
};

class FrameHub : public FrameSink {
  public:
    // A new viewer, which starts at the next IDR frame; `capacity` frames may wait for it.
    std::shared_ptr<ViewerQueue> Join(size_t capacity);
    void Leave(const std::shared_ptr<ViewerQueue> &viewer);
    // Queues the frame for every viewer, under the hub's lock and each viewer's own; never waits
    // for a viewer to read.
    void Publish(const FramePtr &frame);
    void Take(const FramePtr &frame) override { Publish(frame); }
    // Wakes every viewer for good (the console is stopping).
    void Close();
    size_t viewers() const;
    // A viewer began waiting for an IDR frame (it joined, or fell behind).
    bool TakeIdrRequest() override { return idr_wanted_.exchange(false); }

  private:
    mutable std::mutex mutex_;
    std::set<std::shared_ptr<ViewerQueue>> viewers_;
    bool closed_ = false;
    std::atomic<bool> idr_wanted_{false};
};

}  // namespace orvcli
