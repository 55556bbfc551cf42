// Which frames one network client gets: it starts at an IDR frame, and when frames pile up
// for it (a slow link, a client that stopped reading) it loses frames up to the next IDR
// frame at which it has room again, so its decoder restarts cleanly and nobody else waits.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace orvcli {

class FeedGate {
  public:
    // `max_queued`: the frames that may wait for the client before it falls behind.
    explicit FeedGate(size_t max_queued) : max_queued_(max_queued) {}

    // Whether the frame goes to the client, `queued` frames already waiting for it.
    bool Admit(bool idr, size_t queued);
    // The client waits for an IDR frame again, as at first (its stream was held).
    void Restart() {
        waiting_idr_ = true;
        started_ = false;
    }
    // True until the client has an IDR frame to start from.
    bool waiting_idr() const { return waiting_idr_; }
    // Frames not given to the client after it had started.
    uint64_t dropped() const { return dropped_; }
    // Times the client fell behind.
    uint64_t falls() const { return falls_; }

  private:
    const size_t max_queued_;
    bool started_ = false;
    bool waiting_idr_ = true;
    uint64_t dropped_ = 0;
    uint64_t falls_ = 0;
};

}  // namespace orvcli
