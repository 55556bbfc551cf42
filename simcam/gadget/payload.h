// One encoded frame cut into UVC payloads for a bulk endpoint: each payload a header (FID, EOF
// on the last, PTS, the error bit on request) and a piece of the frame.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

namespace simcam_gadget {

struct PayloadOptions {
    bool fid = false;         // the frame's FID bit
    uint32_t pts = 0;         // presentation time in the clock's units
    bool error = false;       // the error bit on every payload of the frame
    size_t max_payload = 0;   // dwMaxPayloadTransferSize, header included
    size_t max_packet = 512;  // the endpoint's wMaxPacketSize
};

// The payloads of one frame. The host ends a payload at a short packet or at the maximum
// payload size, so no payload below the maximum is a whole number of packets.
std::vector<std::vector<uint8_t>> Payloads(const uint8_t *frame, size_t size,
                                           const PayloadOptions &options);

}  // namespace simcam_gadget
