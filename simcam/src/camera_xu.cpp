// Extension-unit queries (UVCIOC_CTRL_QUERY): the H.264 unit's configuration block and
// picture-type request, the maker's OSD menu unit 0x13 and HDMI-input unit 0x15. Errors are
// uvcvideo's: ENOENT for an unknown unit or selector, EINVAL for an unknown request code,
// ENOBUFS for a wrong size, EBADRQC for a GET_CUR or SET_CUR that the control's GET_INFO does
// not offer, EPIPE when the camera refuses (stalls) the request, a range request included.
#include <errno.h>
#include <linux/usb/video.h>

#include <cstring>

#include "camera.h"
#include "xu_model.h"

namespace simcam {
namespace {

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
int CheckShape(const XuShape &c, uint8_t query, uint16_t size) {
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
bool AnswerShape(const XuShape &c, uint8_t query, uint8_t *data) {
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

    XuShape shape{};
    if (!XuControl(config_.h264_unit, q->unit, q->selector, &shape))
        return -ENOENT;
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
    if (selector == kPictureTypeSelector) {
        if (query == UVC_GET_CUR) {
            std::memset(data, 0, size);
            return 0;
        }
        const int r = PictureTypeRequest(data);
        idr_requested_ = idr_requested_ || r == 0;
        return r;
    }
    if (query == UVC_SET_CUR) {
        if (selector == kProbeSelector) {
            std::memcpy(probe_, data, kConfigBlockSize);
            return 0;
        }
        return Commit(data);
    }
    // GET_CUR of the probe or the commit, and the probe's ranges: the whole current
    // configuration.
    std::memcpy(data, block_, kConfigBlockSize);
    return 0;
}

int Camera::Commit(const uint8_t *data) {
    return CommitConfigBlock(block_, data, [this](uint16_t width, uint16_t height) {
        bool offered = false;
        for (const FormatConfig &f : config_.formats) {
            if (f.fourcc != V4L2_PIX_FMT_H264)
                continue;
            if (f.sizes.kind != kDiscrete)
                offered = offered || IntervalsFor(f, width, height) != nullptr;
            for (const FrameSize &fs : f.sizes.discrete)
                offered = offered || (fs.width == width && fs.height == height);
        }
        return offered;
    });
}

}  // namespace simcam
