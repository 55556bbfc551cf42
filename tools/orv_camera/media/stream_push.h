// Pushing the captured frames to a media server: RTSP (ANNOUNCE/RECORD), SRT (MPEG-TS) or RTMP
// (FLV) through libavformat, the camera's H.264 as it comes (no re-encoding), timestamped with
// each frame's arrival. The network never holds up the capture: frames wait in a bounded
// queue for the pushing thread, which reconnects with a growing pause when the server goes
// away and starts again at an IDR frame.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "frame_output.h"

namespace orvcli {

// The muxer an output is pushed with: "rtsp" for rtsp://, "mpegts" for srt://, "flv" for
// rtmp:// URLs; null for anything else (push_url.cpp, in every build).
const char *PushFormat(const std::string &output);
inline bool IsPushUrl(const std::string &output) {
    return PushFormat(output) != nullptr;
}

// Called at most once a second, on the pushing thread or the one that writes, while the push
// waits for an IDR frame to (re)connect or start again at: the camera's owner asks the camera
// for one (on its own thread) rather than wait a whole period.
using IdrRequest = std::function<void()>;

// A push to `url`; it connects on the first IDR frame. Null with *why set for a URL libavformat
// cannot push to.
std::unique_ptr<FrameOutput> OpenPush(const std::string &url, std::string *why,
                                      IdrRequest request_idr = nullptr);

}  // namespace orvcli
