// The console's recording: frames go from the capture loop into a bounded queue and a thread
// of the recorder's own writes them, so a slow disk never holds up the capture or the viewers.
// When the queue is full the recorder drops frames up to the next IDR frame that fits (the
// file stays decodable), counts them, and asks the loop for an IDR frame.
#pragma once

#include <stdint.h>

#include <condition_variable>
#include <ctime>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "frame_hub.h"
#include "media/frame_output.h"

namespace orvcli {

struct RecorderStatus {
    bool on = false;  // a recording is being written (until its file is complete)
    std::string path;
    int64_t frames = 0;    // written to the file
    uint64_t dropped = 0;  // dropped because the disk fell behind
    std::string message;   // why the last recording ended, when not asked to
};

struct RecorderOptions {
    size_t capacity = 90;  // frames queued at most (3 s at 30 fps)
    // Creates the file's writer (OpenContainer); a test puts a slow one in.
    std::function<std::unique_ptr<FrameOutput>(const std::string &, std::string *)> open =
        OpenContainer;
    // The time in the file's name.
    std::function<std::time_t()> now = [] { return std::time(nullptr); };
};

class Recorder : public FrameSink {
  public:
    explicit Recorder(RecorderOptions options = {});
    ~Recorder() override;
    Recorder(const Recorder &) = delete;
    Recorder &operator=(const Recorder &) = delete;

    // Starts writing `dir`/orv-YYYYMMDD-HHMMSS.FORMAT (with -2, -3, ... when that name is
    // taken: the file is created exclusively). "" with *path set, or why not.
    std::string Start(const std::string &dir, const std::string &format, std::string *path);
    // Takes no more frames; the thread writes what is queued and completes the file. `why`
    // ("" when asked to) is said in the status. False when nothing was being recorded.
    bool Stop(const std::string &why);
    // Queues the frame, or drops it; never waits.
    void Take(const FramePtr &frame) override;
    bool TakeIdrRequest() override;
    RecorderStatus Status() const;
    // Waits up to `wait` for the recording's file to be complete; false on timeout.
    bool WaitComplete(std::chrono::milliseconds wait);

  private:
    void Write(std::unique_ptr<FrameOutput> output);

    const RecorderOptions options_;
    std::thread writer_;
    mutable std::mutex mutex_;  // guards what follows
    std::condition_variable changed_;
    std::deque<FramePtr> queue_;
    bool taking_ = false;    // frames are queued
    bool dropping_ = false;  // until the next IDR frame that fits
    bool idr_wanted_ = false;
    RecorderStatus status_;
};

}  // namespace orvcli
