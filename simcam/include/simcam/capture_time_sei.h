// The capture time a simulated camera can stamp on each frame (its "stamp_capture_time"
// setting): an H.264 SEI user_data_unregistered message whose UUID is "ORV-capture-time"
// and whose payload is CLOCK_MONOTONIC in nanoseconds, big-endian. A receiver on the same
// machine subtracts it from its own CLOCK_MONOTONIC to get capture-to-receipt latency.
// Header-only: the camera writes it, the measuring clients read it.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <cstring>
#include <vector>

namespace simcam {

constexpr uint8_t kCaptureTimeUuid[16] = {'O', 'R', 'V', '-', 'c', 'a', 'p', 't',
                                          'u', 'r', 'e', '-', 't', 'i', 'm', 'e'};

// The SEI NAL unit (with its 4-byte start code) carrying `monotonic_ns`.
inline std::vector<uint8_t> CaptureTimeSei(uint64_t monotonic_ns) {
    std::vector<uint8_t> rbsp = {5, 16 + 8};  // user_data_unregistered, payload size
    rbsp.insert(rbsp.end(), kCaptureTimeUuid, kCaptureTimeUuid + 16);
    for (int shift = 56; shift >= 0; shift -= 8)
        rbsp.push_back(static_cast<uint8_t>(monotonic_ns >> shift));
    rbsp.push_back(0x80);  // rbsp_trailing_bits
    std::vector<uint8_t> nal = {0, 0, 0, 1, 6};
    int zeros = 0;
    for (uint8_t b : rbsp) {
        // Emulation prevention: no 00 00 0x (x <= 3) inside a NAL unit.
        if (zeros >= 2 && b <= 3) {
            nal.push_back(3);
            zeros = 0;
        }
        nal.push_back(b);
        zeros = b == 0 ? zeros + 1 : 0;
    }
    return nal;
}

// The capture time in an SEI NAL unit's bytes (without start code, the header byte first);
// false when the unit carries none.
inline bool FindCaptureTime(const uint8_t *nal, size_t size, uint64_t *monotonic_ns) {
    std::vector<uint8_t> rbsp;
    int zeros = 0;
    for (size_t i = 1; i < size; ++i) {
        if (zeros >= 2 && nal[i] == 3) {
            zeros = 0;
            continue;
        }
        rbsp.push_back(nal[i]);
        zeros = nal[i] == 0 ? zeros + 1 : 0;
    }
    if (size < 1 || (nal[0] & 0x1f) != 6 || rbsp.size() < 2 + 16 + 8 || rbsp[0] != 5 ||
        rbsp[1] != 24 || std::memcmp(rbsp.data() + 2, kCaptureTimeUuid, 16) != 0)
        return false;
    uint64_t t = 0;
    for (size_t i = 18; i < 26; ++i)
        t = t << 8 | rbsp[i];
    *monotonic_ns = t;
    return true;
}

}  // namespace simcam
