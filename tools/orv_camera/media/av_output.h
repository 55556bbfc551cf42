// What the two libavformat writers (the container file and the push to a server) share: the
// text of an error code, and the H.264 stream they both write.
#pragma once

#include <string>

extern "C" {
#include <libavformat/avformat.h>
}

namespace orvcli {

// libavformat's text for an error code.
std::string AvError(int code);

// A new H.264 video stream in `ctx` (90 kHz time base), `width`×`height`, with the Annex B
// parameter sets `sets` (SPS and PPS of an IDR frame) as its codec data; null when out of memory.
AVStream *AddH264Stream(AVFormatContext *ctx, const std::string &sets, int width, int height);

}  // namespace orvcli
