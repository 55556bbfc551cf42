// The console's push to a media server: one more sink of the capture loop. The push has its
// own thread behind a bounded queue (stream_push.h), so the network never holds up the capture;
// while it waits for an IDR frame to connect at, it asks the loop for one.
#pragma once

#include <stdint.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "frame_hub.h"
#include "media/frame_output.h"

namespace orvcli {

struct PushStatus {
    bool on = false;
    std::string url;     // the push going on, or the last one
    int64_t frames = 0;  // sent to the server
};

class PushSink : public FrameSink {
  public:
    ~PushSink() override { Stop(); }

    // Starts pushing to `url` (rtsp://, srt:// or rtmp://), ending a push going on. "" or why not.
    std::string Start(const std::string &url);
    // Ends the push; false when there was none.
    bool Stop();
    void Take(const FramePtr &frame) override;
    bool TakeIdrRequest() override { return idr_wanted_.exchange(false); }
    PushStatus Status() const;

  private:
    std::atomic<bool> idr_wanted_{false};  // before the push, whose thread sets it
    mutable std::mutex mutex_;             // guards what follows
    std::unique_ptr<FrameOutput> push_;
    std::string url_;
    int64_t frames_ = 0;  // of the last push, once ended
};

}  // namespace orvcli
