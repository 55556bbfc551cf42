#include "xu_model.h"

#include <errno.h>

#include <cstring>

namespace simcam {

bool XuControl(uint8_t h264_unit, uint8_t unit, uint8_t selector, XuShape *shape) {
    if (unit == h264_unit) {
        if (selector == kProbeSelector)
            *shape = {kConfigBlockSize, 3, true};
        else if (selector == kCommitSelector)
            *shape = {kConfigBlockSize, 3, false};
        else if (selector == kPictureTypeSelector)
            *shape = {4, 3, false};
        else
            return false;
        return true;
    }
    if (unit == kMenuUnit) {
        *shape = {1, static_cast<uint8_t>(selector == kOsdStatusSelector ? 3 : 2), false};
        return true;
    }
    if (unit == kHdmiUnit && selector == kHdmiSelector) {
        *shape = {1, 1, false};
        return true;
    }
    return false;
}

int CommitConfigBlock(uint8_t *block, const uint8_t *data,
                      const std::function<bool(uint16_t, uint16_t)> &size_offered) {
    const uint16_t hints = static_cast<uint16_t>(data[8] | data[9] << 8);
    uint8_t next[kConfigBlockSize];
    std::memcpy(next, block, kConfigBlockSize);
    // A field is applied when its bit is clear; every other setting stays as it was.
    struct Field {
        int bit, offset, size;
    };
    static const Field kFields[] = {
        {0, 12, 4},   // wWidth, wHeight
        {1, 20, 2},   // wProfile
        {2, 29, 1},   // bRateControlMode
        {11, 0, 4},   // dwFrameInterval
        {13, 4, 4},   // dwBitRate
        {15, 22, 2},  // wIFramePeriod
    };
    for (const Field &f : kFields)
        if (!(hints & (1u << f.bit)))
            std::memcpy(next + f.offset, data + f.offset, static_cast<size_t>(f.size));

    // The firmware refuses what it cannot encode, and then nothing changes.
    const uint16_t width = static_cast<uint16_t>(next[12] | next[13] << 8);
    const uint16_t height = static_cast<uint16_t>(next[14] | next[15] << 8);
    const uint16_t profile = static_cast<uint16_t>(next[20] | next[21] << 8);
    const uint32_t interval = static_cast<uint32_t>(next[0] | next[1] << 8 | next[2] << 16) |
                              static_cast<uint32_t>(next[3]) << 24;
    const uint32_t bitrate = static_cast<uint32_t>(next[4] | next[5] << 8 | next[6] << 16) |
                             static_cast<uint32_t>(next[7]) << 24;
    const uint8_t family = static_cast<uint8_t>(profile >> 8);
    const bool bad = (!(hints & 1u) && !size_offered(width, height)) ||
                     (!(hints & (1u << 11)) && interval == 0) ||
                     (!(hints & (1u << 13)) && bitrate == 0) ||
                     (!(hints & 2u) && family != 0x42 && family != 0x4D && family != 0x64) ||
                     (!(hints & 4u) && (next[29] < 1 || next[29] > 3));
    if (bad)
        return -EPIPE;
    std::memcpy(block, next, kConfigBlockSize);
    return 0;
}

int PictureTypeRequest(const uint8_t *data) {
    // wPicType 0 (I-frame), 1 (IDR) and 2 (IDR with SPS and PPS) all give an IDR with its
    // parameter sets; the encoder repeats them before every IDR.
    const uint16_t type = static_cast<uint16_t>(data[2] | data[3] << 8);
    return type > 2 ? -EPIPE : 0;
}

}  // namespace simcam
