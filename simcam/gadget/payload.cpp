#include "payload.h"

#include <linux/usb/video.h>

#include <algorithm>

namespace simcam_gadget {
namespace {

constexpr size_t kHeaderSize = 6;  // bHeaderLength, bmHeaderInfo, dwPresentationTime

}  // namespace

std::vector<std::vector<uint8_t>> Payloads(const uint8_t *frame, size_t size,
                                           const PayloadOptions &o) {
    std::vector<std::vector<uint8_t>> out;
    const size_t room = o.max_payload - kHeaderSize;
    size_t at = 0;
    do {
        size_t piece = std::min(room, size - at);
        const size_t total = kHeaderSize + piece;
        // A payload of whole packets below the maximum would run on into the next one.
        if (total < o.max_payload && total % o.max_packet == 0)
            --piece;
        const bool last = at + piece == size;
        std::vector<uint8_t> p(kHeaderSize + piece);
        p[0] = kHeaderSize;
        p[1] = static_cast<uint8_t>(UVC_STREAM_EOH | UVC_STREAM_PTS | (o.fid ? UVC_STREAM_FID : 0) |
                                    (last ? UVC_STREAM_EOF : 0) | (o.error ? UVC_STREAM_ERR : 0));
        for (int i = 0; i < 4; ++i)
            p[2 + i] = static_cast<uint8_t>(o.pts >> (8 * i));
        std::copy(frame + at, frame + at + piece, p.begin() + kHeaderSize);
        out.push_back(std::move(p));
        at += piece;
    } while (at < size);
    return out;
}

}  // namespace simcam_gadget
