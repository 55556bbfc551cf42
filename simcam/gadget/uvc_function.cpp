#include "uvc_function.h"

#include <linux/usb/video.h>
#include <linux/videodev2.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace simcam_gadget {
namespace {

constexpr uint8_t kVideoControl = 0, kVideoStreaming = 1;  // interface numbers
constexpr size_t kProbeSize = 34;                          // UVC 1.1 streaming control

// Offsets in the streaming control block.
constexpr size_t kFormatIndex = 2, kFrameIndex = 3, kInterval = 4, kMaxFrameSize = 18,
                 kMaxPayloadSize = 22, kClock = 26, kFramingInfo = 30;

uint32_t Le32(const uint8_t *p) {
    return static_cast<uint32_t>(p[0] | p[1] << 8 | p[2] << 16) | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t Le16(const uint8_t *p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
void PutLe16(uint8_t *p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void PutLe32(uint8_t *p, uint32_t v) {
    PutLe16(p, v & 0xffff);
    PutLe16(p + 2, v >> 16);
}

uint32_t ToInterval(const simcam::Fraction &f) {
    return f.denominator ? static_cast<uint32_t>(10000000ull * f.numerator / f.denominator) : 0;
}

// The H.264 frames of the configuration, as the descriptors list them.
std::vector<orvtest::SimUsbFrame> H264Frames(const simcam::NodeConfig &node) {
    std::vector<orvtest::SimUsbFrame> frames;
    for (const simcam::FormatConfig &f : node.formats) {
        if (f.fourcc != V4L2_PIX_FMT_H264 || f.sizes.kind != simcam::kDiscrete)
            continue;
        for (const simcam::FrameSize &fs : f.sizes.discrete) {
            orvtest::SimUsbFrame frame{
                static_cast<uint16_t>(fs.width), static_cast<uint16_t>(fs.height), {}};
            for (const simcam::Fraction &iv : fs.intervals.discrete)
                frame.intervals.push_back(ToInterval(iv));
            if (frame.intervals.empty())
                frame.intervals.push_back(333333);
            frames.push_back(frame);
        }
    }
    if (frames.empty())
        throw std::invalid_argument("the camera offers no discrete H.264 frame size");
    return frames;
}

std::vector<uint8_t> Bytes(std::initializer_list<int> v) {
    std::vector<uint8_t> out;
    for (int b : v)
        out.push_back(static_cast<uint8_t>(b));
    return out;
}

}  // namespace

UvcFunction::UvcFunction(const simcam::NodeConfig &node)
    : osd_status_(node.osd_status), hdmi_input_(node.hdmi_input) {
    device_ = orvtest::SimUsbDevice{0, 0, node.vendor_id, node.product_id, node.bcd_device};
    device_.h264_unit = node.h264_unit;
    // Zoom relative (bit 10) and pan/tilt relative (bit 12): the speed controls.
    const uint8_t relative[3] = {0x00, 0x14, 0x00};
    std::memcpy(layout_.camera_controls, relative, sizeof relative);
    layout_.frames = H264Frames(node);
    layout_.bulk_max_packet = 512;
    entities_ = orvtest::UsbEntityIds(node.h264_unit);

    // The camera terminal's relative zoom (bZoom, bDigitalZoom, bSpeed) and pan/tilt
    // (bPanRelative, bPanSpeed, bTiltRelative, bTiltSpeed); the processing unit's brightness.
    controls_[{entities_.camera, UVC_CT_ZOOM_RELATIVE_CONTROL}] = Control{3,
                                                                          3,
                                                                          Bytes({0, 0, 0}),
                                                                          Bytes({0, 0, 7}),
                                                                          Bytes({0, 0, 1}),
                                                                          Bytes({0, 0, 0}),
                                                                          Bytes({0, 0, 0})};
    controls_[{entities_.camera, UVC_CT_PANTILT_RELATIVE_CONTROL}] = Control{4,
                                                                             3,
                                                                             Bytes({0, 24, 0, 24}),
                                                                             Bytes({0, 24, 0, 24}),
                                                                             Bytes({0, 1, 0, 1}),
                                                                             Bytes({0, 0, 0, 0}),
                                                                             Bytes({0, 0, 0, 0})};
    controls_[{entities_.processing, UVC_PU_BRIGHTNESS_CONTROL}] = Control{
        2, 3, Bytes({0xc0, 0xff}), Bytes({64, 0}), Bytes({1, 0}), Bytes({0, 0}), Bytes({0, 0})};

    probe_ = commit_ = DefaultProbe();
    const orvtest::SimUsbFrame &first = layout_.frames.front();
    PutLe32(block_ + 0, first.intervals.front());
    PutLe32(block_ + 4, node.encoder.bitrate);
    PutLe16(block_ + 12, first.width);
    PutLe16(block_ + 14, first.height);
    PutLe16(block_ + 20, node.encoder.profile);
    PutLe16(block_ + 22, node.encoder.iframe_period);
    block_[29] = node.encoder.rate_control;
}

std::vector<uint8_t> UvcFunction::DefaultProbe() const {
    std::vector<uint8_t> p(kProbeSize, 0);
    p[kFormatIndex] = 1;
    p[kFrameIndex] = 1;
    return Normalized(p.data(), p.size());
}

std::vector<uint8_t> UvcFunction::Normalized(const uint8_t *probe, size_t size) const {
    std::vector<uint8_t> p(kProbeSize, 0);
    std::memcpy(p.data(), probe, std::min(size, kProbeSize));
    p[kFormatIndex] = 1;
    const size_t frames = layout_.frames.size();
    p[kFrameIndex] =
        static_cast<uint8_t>(std::min<size_t>(std::max<size_t>(p[kFrameIndex], 1), frames));
    const orvtest::SimUsbFrame &f = layout_.frames[p[kFrameIndex] - 1];
    const uint32_t asked = Le32(&p[kInterval]);
    uint32_t interval = f.intervals.front();
    for (uint32_t iv : f.intervals)
        if (asked && std::llabs(static_cast<long long>(iv) - asked) <
                         std::llabs(static_cast<long long>(interval) - asked))
            interval = iv;
    PutLe32(&p[kInterval], interval);
    PutLe32(&p[kMaxFrameSize], static_cast<uint32_t>(f.width) * f.height * 3 / 2);
    PutLe32(&p[kMaxPayloadSize], kMaxPayload);
    PutLe32(&p[kClock], kClockFrequency);
    p[kFramingInfo] = 3;  // FID and EOF in every payload header
    return p;
}

bool UvcFunction::SizeOffered(uint16_t width, uint16_t height) const {
    for (const orvtest::SimUsbFrame &f : layout_.frames)
        if (f.width == width && f.height == height)
            return true;
    return false;
}

Reply UvcFunction::Request(const Setup &setup, const uint8_t *out, std::vector<uint8_t> *in) {
    std::lock_guard<std::mutex> lock(mu_);
    const uint8_t interface = static_cast<uint8_t>(setup.index);
    const uint8_t entity = static_cast<uint8_t>(setup.index >> 8);
    const uint8_t selector = static_cast<uint8_t>(setup.value >> 8);
    const bool get = setup.request_type & 0x80;
    in->clear();
    auto stall = stalls_.find({entity, selector});
    if (get && stall != stalls_.end() && stall->second > 0) {
        --stall->second;
        return Reply::kStall;
    }
    Reply r = Reply::kStall;
    if (interface == kVideoStreaming && entity == 0) {
        r = Streaming(setup, selector, out, in);
    } else if (interface == kVideoControl && entity != 0) {
        auto c = controls_.find({entity, selector});
        if (c != controls_.end())
            r = Standard(c->second, setup.request, out, in);
        else
            r = Extension(entity, selector, setup.request, out, in);
    }
    // The interface's own controls (the request error code among them) are stalled: uvcvideo
    // then reports the stall of the request before as EPIPE.
    if (in->size() > setup.length)
        in->resize(setup.length);
    return r;
}

Reply UvcFunction::Standard(Control &c, uint8_t request, const uint8_t *out,
                            std::vector<uint8_t> *in) {
    switch (request) {
        case UVC_SET_CUR:
            c.cur.assign(out, out + c.size);
            return Reply::kAck;
        case UVC_GET_CUR:
            *in = c.cur;
            break;
        case UVC_GET_MIN:
            *in = c.min;
            break;
        case UVC_GET_MAX:
            *in = c.max;
            break;
        case UVC_GET_RES:
            *in = c.res;
            break;
        case UVC_GET_DEF:
            *in = c.def;
            break;
        case UVC_GET_LEN:
            *in = Bytes({c.size, 0});
            break;
        case UVC_GET_INFO:
            *in = Bytes({c.info});
            break;
        default:
            return Reply::kStall;
    }
    return Reply::kData;
}

Reply UvcFunction::Streaming(const Setup &setup, uint8_t selector, const uint8_t *out,
                             std::vector<uint8_t> *in) {
    if (selector != UVC_VS_PROBE_CONTROL && selector != UVC_VS_COMMIT_CONTROL)
        return Reply::kStall;
    std::vector<uint8_t> &control = selector == UVC_VS_PROBE_CONTROL ? probe_ : commit_;
    switch (setup.request) {
        case UVC_SET_CUR:
            control = Normalized(out, setup.length);
            if (selector == UVC_VS_COMMIT_CONTROL) {
                // The streaming negotiation sets the encoder's resolution and frame interval.
                const orvtest::SimUsbFrame &f = layout_.frames[control[kFrameIndex] - 1];
                PutLe16(block_ + 12, f.width);
                PutLe16(block_ + 14, f.height);
                std::memcpy(block_, &control[kInterval], 4);
                ++stream_.commits;
            }
            return Reply::kAck;
        case UVC_GET_CUR:
            *in = control;
            break;
        case UVC_GET_MIN:
        case UVC_GET_MAX:
        case UVC_GET_DEF:
            *in = DefaultProbe();
            break;
        case UVC_GET_RES:  // no field takes steps
            in->assign(kProbeSize, 0);
            break;
        case UVC_GET_LEN:
            *in = Bytes({kProbeSize, 0});
            break;
        case UVC_GET_INFO:
            *in = Bytes({3});
            break;
        default:
            return Reply::kStall;
    }
    return Reply::kData;
}

Reply UvcFunction::Extension(uint8_t unit, uint8_t selector, uint8_t request, const uint8_t *out,
                             std::vector<uint8_t> *in) {
    simcam::XuShape shape{};
    if (!simcam::XuControl(device_.h264_unit, unit, selector, &shape))
        return Reply::kStall;
    if (request == UVC_GET_LEN) {
        *in = Bytes({shape.size & 0xff, shape.size >> 8});
        return Reply::kData;
    }
    if (request == UVC_GET_INFO) {
        *in = Bytes({shape.info});
        return Reply::kData;
    }
    const bool set = request == UVC_SET_CUR;
    const bool range = request == UVC_GET_MIN || request == UVC_GET_MAX || request == UVC_GET_RES ||
                       request == UVC_GET_DEF;
    if ((set && !(shape.info & 2)) || (request == UVC_GET_CUR && !(shape.info & 1)) ||
        (range && !shape.ranges) || (!set && !range && request != UVC_GET_CUR))
        return Reply::kStall;
    if (unit == device_.h264_unit) {
        if (selector == simcam::kPictureTypeSelector) {
            if (!set) {
                in->assign(shape.size, 0);
                return Reply::kData;
            }
            // A refused type cannot be stalled once its data arrived (gadgetfs acknowledges
            // the data stage itself); it only asks for no IDR.
            stream_.idr_requested = stream_.idr_requested || simcam::PictureTypeRequest(out) == 0;
            return Reply::kAck;
        }
        if (set) {
            if (selector == simcam::kCommitSelector)
                simcam::CommitConfigBlock(
                    block_, out, [this](uint16_t w, uint16_t h) { return SizeOffered(w, h); });
            return Reply::kAck;
        }
        in->assign(block_, block_ + sizeof block_);
        return Reply::kData;
    }
    if (unit == simcam::kMenuUnit) {
        if (set) {
            last_osd_command_ = out[0];
            return Reply::kAck;
        }
        *in = Bytes({osd_status_});
        return Reply::kData;
    }
    *in = Bytes({hdmi_input_});
    return Reply::kData;
}

StreamState UvcFunction::TakeStreamState() {
    std::lock_guard<std::mutex> lock(mu_);
    StreamState s = stream_;
    stream_.idr_requested = false;
    s.encode.frame_interval = Le32(block_ + 0);
    s.encode.bitrate = Le32(block_ + 4);
    s.encode.width = Le16(block_ + 12);
    s.encode.height = Le16(block_ + 14);
    s.encode.profile = Le16(block_ + 20);
    s.encode.iframe_period = Le16(block_ + 22);
    s.encode.rate_control = block_[29];
    s.max_payload = Le32(&commit_[kMaxPayloadSize]);
    return s;
}

uint64_t UvcFunction::commits() {
    std::lock_guard<std::mutex> lock(mu_);
    return stream_.commits;
}

void UvcFunction::StallGets(uint8_t entity, uint8_t selector, int count) {
    std::lock_guard<std::mutex> lock(mu_);
    stalls_[{entity, selector}] = count;
}

}  // namespace simcam_gadget
