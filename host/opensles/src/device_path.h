// Paths whose device sets the pace (a sound card through ALSA), and their factories.
//
// A playback sink or capture source that also is a DevicePacer moves audio when its device
// can: the object's thread calls wait_ready() without the object's lock, then moves at most the
// bytes it gave through write() or read() with the lock held, which never block.
#pragma once

#include "data_path.h"

#include <cstddef>

namespace slhost {

class DevicePacer {
  public:
    virtual ~DevicePacer() = default;
    // Waits (a period at most) until the device can take (give) audio; the bytes that may move
    // now without blocking, 0 when none yet.
    virtual size_t wait_ready() = 0;
    // The object was paused or stopped (on), or runs again (off): a device that can pause does,
    // keeping what it holds, so it neither runs dry (and repeats old audio) nor overruns.
    virtual void hold(bool on) = 0;
};

// Playback into, capture from the ALSA PCM ORV_OPENSLES_ALSA_DEVICE ("default" when unset), in
// the object's format. SL_RESULT_RESOURCE_ERROR when the PCM cannot be opened (or the layer was
// built without ALSA), SL_RESULT_CONTENT_UNSUPPORTED when it refuses the format.
SLresult make_alsa_sink(const PcmFormat &format, std::unique_ptr<PlaybackSink> &out);
SLresult make_alsa_source(const PcmFormat &format, std::unique_ptr<CaptureSource> &out);

}  // namespace slhost
