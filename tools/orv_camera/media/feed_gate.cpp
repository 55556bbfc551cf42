#include "feed_gate.h"

namespace orvcli {

bool FeedGate::Admit(bool idr, size_t queued) {
    // A client that fell behind starts again only with room for a while: half the queue.
    const bool room = queued < (waiting_idr_ && started_ ? max_queued_ / 2 : max_queued_);
    if (!waiting_idr_ && room)
        return true;
    if (waiting_idr_ && idr && room) {
        waiting_idr_ = false;
        started_ = true;
        return true;
    }
    if (started_) {
        if (!waiting_idr_)
            ++falls_;
        waiting_idr_ = true;
        ++dropped_;
    }
    return false;
}

}  // namespace orvcli
