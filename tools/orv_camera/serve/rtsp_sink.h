// The RTSP server as a sink of the console's capture loop.
#pragma once

#include "capture_loop.h"
#include "frame_hub.h"
#include "rtsp_server.h"

namespace orvcli {

class RtspSink : public FrameSink {
  public:
    explicit RtspSink(RtspServer *server) : server_(server) {}
    void Take(const FramePtr &frame) override {
        server_->Push(frame->bytes.data(), frame->bytes.size(), frame->arrival_us, frame->idr);
    }
    bool TakeIdrRequest() override { return server_->TakeIdrRequest(SteadyMicros()); }

  private:
    RtspServer *server_;
};

}  // namespace orvcli
