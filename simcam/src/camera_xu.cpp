// Extension-unit queries (UVCIOC_CTRL_QUERY): the H.264 unit's configuration block and
// picture-type request, the maker's OSD menu unit 0x13 and HDMI-input unit 0x15. Errors are
// uvcvideo's: ENOENT for an unknown unit or selector, EINVAL for an unknown request code,
// ENOBUFS for a wrong size, EBADRQC for a GET_CUR or SET_CUR that the control's GET_INFO does
// not offer, EPIPE when the camera refuses (stalls) the request, a range request included.
#include <errno.h>
#include <linux/usb/video.h>

#include <cstring>

#include "camera.h"

namespace simcam {
namespace {

constexpr uint8_t kMenuUnit = 0x13;
constexpr uint8_t kHdmiUnit = 0x15;
constexpr uint8_t kOsdStatusSelector = 10;
constexpr uint8_t kProbe = 1, kCommit = 2, kPictureType = 9;
constexpr uint16_t kBlockSize = 46;

// What one control of a unit takes: its size and the GET_INFO bits (1 GET, 2 SET).
struct ControlShape {
    uint16_t size;
    uint8_t info;
    bool ranges;  // answers GET_MIN/MAX/RES/DEF
};

bool ValidRequest(uint8_t query) {
    switch (query) {
        case UVC_SET_CUR:
        case UVC_GET_CUR:
        case UVC_GET_MIN:
        case UVC_GET_MAX:
        case UVC_GET_RES:
        case UVC_GET_LEN:
        case UVC_GET_INFO:
        case UVC_GET_DEF:
            return true;
        default:
            return false;
    }
}

// The request against the control's shape: 0, or minus the errno.
int CheckShape(const ControlShape &c, uint8_t query, uint16_t size) {
    if (query == UVC_GET_LEN)
        return size == 2 ? 0 : -ENOBUFS;
    if (query == UVC_GET_INFO)
        return size == 1 ? 0 : -ENOBUFS;
    if (size != c.size)
        return -ENOBUFS;
    if (query == UVC_SET_CUR)
        return (c.info & 2) ? 0 : -EBADRQC;
    if (query == UVC_GET_CUR)
        return (c.info & 1) ? 0 : -EBADRQC;
    // uvcvideo lets every range request of an extension-unit control through to the camera,
    // which stalls the ones it does not answer.
    return c.ranges ? 0 : -EPIPE;
}

// Answers GET_LEN and GET_INFO; true when it did.
bool AnswerShape(const ControlShape &c, uint8_t query, uint8_t *data) {
    if (query == UVC_GET_LEN) {
        data[0] = static_cast<uint8_t>(c.size);
        data[1] = static_cast<uint8_t>(c.size >> 8);
        return true;
    }
    if (query == UVC_GET_INFO) {
        data[0] = c.info;
        return true;
    }
    return false;
}

}  // namespace

int Camera::XuQuery(struct uvc_xu_control_query *q, TraceEntry *t) {
    t->unit = q->unit;
    t->selector = q->selector;
    t->query = q->query;
    t->size = q->size;
    if (q->size && !q->data)
        return -EFAULT;
    if (q->query == UVC_SET_CUR)
        t->data.assign(q->data, q->data + q->size);
    auto fault = faults_.xu.find({q->unit, q->selector});
    if (fault != faults_.xu.end() && fault->second)
        return -fault->second;
    if (int e = TakeFault(Call::kXuQuery))
        return -e;

    ControlShape shape{};
    if (q->unit == config_.h264_unit) {
        if (q->selector == kProbe)
            shape = {kBlockSize, 3, true};
        else if (q->selector == kCommit)
            shape = {kBlockSize, 3, false};
        else if (q->selector == kPictureType)
            shape = {4, 3, false};
        else
            return -ENOENT;
    } else if (q->unit == kMenuUnit) {
        shape = {1, static_cast<uint8_t>(q->selector == kOsdStatusSelector ? 3 : 2), false};
    } else if (q->unit == kHdmiUnit) {
        if (q->selector != 1)
            return -ENOENT;
        shape = {1, 1, false};
    } else {
        return -ENOENT;
    }
    if (!ValidRequest(q->query))
        return -EINVAL;
    if (int e = CheckShape(shape, q->query, q->size))
        return e;
    int r = 0;
    if (!AnswerShape(shape, q->query, q->data)) {
        if (q->unit == config_.h264_unit) {
            r = H264Unit(q->selector, q->query, q->size, q->data);
        } else if (q->unit == kMenuUnit) {
            if (q->query == UVC_SET_CUR)
                last_osd_command_ = q->data[0];
            else
                q->data[0] = osd_status_;
        } else {
            q->data[0] = hdmi_input_;
        }
    }
    if (r == 0 && q->query != UVC_SET_CUR)
        t->data.assign(q->data, q->data + q->size);
    return r;
}

int Camera::H264Unit(uint8_t selector, uint8_t query, uint16_t size, uint8_t *data) {
    if (selector == kPictureType) {
        if (query == UVC_GET_CUR) {
            std::memset(data, 0, size);
            return 0;
        }
        // wPicType 0 (I-frame), 1 (IDR) and 2 (IDR with SPS and PPS) all give an IDR with its
        // parameter sets; the encoder repeats them before every IDR.
        const uint16_t type = static_cast<uint16_t>(data[2] | data[3] << 8);
        if (type > 2)
            return -EPIPE;
        idr_requested_ = true;
        return 0;
    }
    if (query == UVC_SET_CUR) {
        if (selector == kProbe) {
            std::memcpy(probe_, data, kBlockSize);
            return 0;
        }
        return Commit(data);
    }
    // GET_CUR of the probe or the commit, and the probe's ranges: the whole current
    // configuration.
    std::memcpy(data, block_, kBlockSize);
    return 0;
}

int Camera::Commit(const uint8_t *data) {
    const uint16_t hints = static_cast<uint16_t>(data[8] | data[9] << 8);
    uint8_t next[kBlockSize];
    std::memcpy(next, block_, kBlockSize);
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
    bool size_offered = false;
    for (const FormatConfig &f : config_.formats) {
        if (f.fourcc != V4L2_PIX_FMT_H264)
            continue;
        if (f.sizes.kind != kDiscrete)
            size_offered = size_offered || IntervalsFor(f, width, height) != nullptr;
        for (const FrameSize &fs : f.sizes.discrete)
            size_offered = size_offered || (fs.width == width && fs.height == height);
    }
    const uint8_t family = static_cast<uint8_t>(profile >> 8);
    const bool bad = (!(hints & 1u) && !size_offered) || (!(hints & (1u << 11)) && interval == 0) ||
                     (!(hints & (1u << 13)) && bitrate == 0) ||
                     (!(hints & 2u) && family != 0x42 && family != 0x4D && family != 0x64) ||
                     (!(hints & 4u) && (next[29] < 1 || next[29] > 3));
    if (bad)
        return -EPIPE;
    std::memcpy(block_, next, kBlockSize);
    return 0;
}

}  // namespace simcam
