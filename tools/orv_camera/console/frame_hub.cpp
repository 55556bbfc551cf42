#include "frame_hub.h"

namespace orvcli {

FramePtr ViewerQueue::Pop(std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait_for(lock, wait, [this] { return closed_ || !frames_.empty(); });
    if (closed_ || frames_.empty())
        return nullptr;
    FramePtr frame = frames_.front();
    frames_.pop_front();
    return frame;
}

uint64_t ViewerQueue::dropped() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return dropped_;
}

void ViewerQueue::Push(const FramePtr &frame) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (frames_.size() >= capacity_) {
            // Behind: what is queued can no longer be shown in time.
            dropped_ += frames_.size();
            frames_.clear();
            waiting_idr_ = true;
            *idr_wanted_ = true;
        }
        if (waiting_idr_ && !frame->idr) {
            // Frames before a viewer's first IDR frame were never its to lose.
            dropped_ += started_ ? 1 : 0;
            return;
        }
        waiting_idr_ = false;
        started_ = true;
        frames_.push_back(frame);
    }
    ready_.notify_one();
}

void ViewerQueue::Close() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
    }
    ready_.notify_all();
}

std::shared_ptr<ViewerQueue> FrameHub::Join(size_t capacity) {
    auto viewer = std::make_shared<ViewerQueue>(capacity, &idr_wanted_);
    idr_wanted_ = true;
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_)
        viewer->Close();
    else
        viewers_.insert(viewer);
    return viewer;
}

void FrameHub::Leave(const std::shared_ptr<ViewerQueue> &viewer) {
    std::lock_guard<std::mutex> lock(mutex_);
    viewers_.erase(viewer);
}

void FrameHub::Publish(const FramePtr &frame) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto &viewer : viewers_)
        viewer->Push(frame);
}

void FrameHub::Close() {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    for (const auto &viewer : viewers_)
        viewer->Close();
    viewers_.clear();
}

size_t FrameHub::viewers() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return viewers_.size();
}

}  // namespace orvcli
