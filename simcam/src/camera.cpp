// A node's life: configuration, faults, descriptors going away, and the request dispatch.
#include "camera.h"

#include <errno.h>
#include <linux/uvcvideo.h>
#include <sys/mman.h>

#include <cstring>

#include "real_libc.h"

namespace simcam {
namespace {

// The camera identity request of the cameras' platform driver: _IOWR('V', 120, 18 bytes).
constexpr unsigned long kIdentityRequest = 0xC0125678;

void PutLe16(uint8_t *p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void PutLe32(uint8_t *p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

Camera::Camera(NodeConfig config)
    : config_(std::move(config)),
      faults_(config_.faults),
      clock_(config_.clock),
      osd_status_(config_.osd_status),
      hdmi_input_(config_.hdmi_input) {
    const FormatConfig &f = config_.formats.front();
    pixelformat_ = f.fourcc;
    if (f.sizes.kind == kDiscrete && !f.sizes.discrete.empty()) {
        width_ = f.sizes.discrete.front().width;
        height_ = f.sizes.discrete.front().height;
    } else {
        width_ = f.sizes.max_width;
        height_ = f.sizes.max_height;
    }
    const IntervalSet *iv = IntervalsFor(f, width_, height_);
    if (iv && iv->kind == kDiscrete && !iv->discrete.empty())
        interval_ = iv->discrete.front();
    else if (iv)
        interval_ = iv->min;
    if (interval_.numerator == 0 || interval_.denominator == 0)
        interval_ = Fraction{1, 30};
    for (const ControlConfig &c : config_.controls)
        controls_[c.id] = c.default_value;
    // The encoder starts at the node's first format, size and interval.
    PutLe32(block_ + 0,
            static_cast<uint32_t>(10000000ull * interval_.numerator / interval_.denominator));
    PutLe32(block_ + 4, config_.encoder.bitrate);
    PutLe16(block_ + 12, static_cast<uint16_t>(width_));
    PutLe16(block_ + 14, static_cast<uint16_t>(height_));
    PutLe16(block_ + 20, config_.encoder.profile);
    PutLe16(block_ + 22, config_.encoder.iframe_period);
    block_[29] = config_.encoder.rate_control;
}

Camera::~Camera() {
    std::thread producer;
    {
        std::lock_guard<std::mutex> lock(mu_);
        StopStreaming();
        producer = TakeProducer();
        FreeBuffers();
    }
    if (producer.joinable())
        producer.join();
}

int Camera::TakeFault(Call call) {
    auto it = faults_.calls.find(call);
    if (it == faults_.calls.end() || it->second.error == 0 || it->second.times == 0)
        return 0;
    if (it->second.after > 0) {
        --it->second.after;
        return 0;
    }
    if (it->second.times > 0)
        --it->second.times;
    return it->second.error;
}

int Camera::OpenError() {
    std::lock_guard<std::mutex> lock(mu_);
    if (faults_.unplugged)
        return ENOENT;
    return faults_.open_error;
}

void Camera::Opened(const OpenFile &file) {
    std::lock_guard<std::mutex> lock(mu_);
    priorities_[file.id] = V4L2_PRIORITY_DEFAULT;
    wakers_[file.id].fd = file.fd;
    UpdateReadable();
}

void Camera::Renumbered(const OpenFile &file) {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = wakers_.find(file.id);
    if (it != wakers_.end())
        it->second.fd = file.fd;
}

void Camera::Closed(const OpenFile &file) {
    std::thread producer;
    {
        std::lock_guard<std::mutex> lock(mu_);
        priorities_.erase(file.id);
        wakers_.erase(file.id);
        if (owner_ != file.id)
            return;
        StopStreaming();
        producer = TakeProducer();
        FreeBuffers();
        owner_ = 0;
    }
    if (producer.joinable())
        producer.join();
}

int Camera::Ioctl(const OpenFile &file, unsigned long request, void *arg, TraceEntry *t) {
    std::thread producer;
    int r;
    {
        Lock lock(mu_);
        switch (request) {
            case VIDIOC_QUERYCAP:
                t->call = Call::kQueryCap;
                break;
            case VIDIOC_ENUM_FMT:
                t->call = Call::kEnumFmt;
                break;
            case VIDIOC_G_FMT:
                t->call = Call::kGetFmt;
                break;
            case VIDIOC_S_FMT:
                t->call = Call::kSetFmt;
                break;
            case VIDIOC_TRY_FMT:
                t->call = Call::kTryFmt;
                break;
            case VIDIOC_G_PARM:
                t->call = Call::kGetParm;
                break;
            case VIDIOC_S_PARM:
                t->call = Call::kSetParm;
                break;
            case VIDIOC_ENUM_FRAMESIZES:
                t->call = Call::kEnumFrameSizes;
                break;
            case VIDIOC_ENUM_FRAMEINTERVALS:
                t->call = Call::kEnumFrameIntervals;
                break;
            case VIDIOC_REQBUFS:
                t->call = Call::kReqBufs;
                break;
            case VIDIOC_QUERYBUF:
                t->call = Call::kQueryBuf;
                break;
            case VIDIOC_QBUF:
                t->call = Call::kQBuf;
                break;
            case VIDIOC_DQBUF:
                t->call = Call::kDQBuf;
                break;
            case VIDIOC_STREAMON:
                t->call = Call::kStreamOn;
                break;
            case VIDIOC_STREAMOFF:
                t->call = Call::kStreamOff;
                break;
            case VIDIOC_QUERYCTRL:
                t->call = Call::kQueryCtrl;
                break;
            case VIDIOC_G_CTRL:
                t->call = Call::kGetCtrl;
                break;
            case VIDIOC_S_CTRL:
                t->call = Call::kSetCtrl;
                break;
            case UVCIOC_CTRL_QUERY:
                t->call = Call::kXuQuery;
                break;
            case kIdentityRequest:
                t->call = Call::kIdentity;
                break;
            default:
                t->call = Call::kOther;
                break;
        }
        if (faults_.unplugged)
            return -ENODEV;
        if (!arg && t->call != Call::kOther)
            return -EFAULT;
        switch (request) {
            case VIDIOC_G_PRIORITY:
            case VIDIOC_S_PRIORITY:
                return arg ? Priority(file, request, static_cast<uint32_t *>(arg)) : -EFAULT;
            case VIDIOC_S_FMT:
            case VIDIOC_S_PARM:
            case VIDIOC_REQBUFS:
            case VIDIOC_STREAMON:
            case VIDIOC_STREAMOFF:
            case VIDIOC_S_CTRL:
            case VIDIOC_S_EXT_CTRLS:
            case VIDIOC_S_INPUT:
                // The V4L2 core checks the priority before the driver sees the request.
                if (BelowTopPriority(file))
                    return -EBUSY;
                break;
            default:
                break;
        }
        switch (t->call) {
            case Call::kQueryCap:
                if (int e = TakeFault(Call::kQueryCap))
                    return -e;
                return QueryCap(static_cast<struct v4l2_capability *>(arg));
            case Call::kEnumFmt:
                return EnumFmt(static_cast<struct v4l2_fmtdesc *>(arg), t);
            case Call::kGetFmt:
                return GetFmt(static_cast<struct v4l2_format *>(arg), t);
            case Call::kSetFmt:
                return SetFmt(file, static_cast<struct v4l2_format *>(arg), true, t);
            case Call::kTryFmt:
                return SetFmt(file, static_cast<struct v4l2_format *>(arg), false, t);
            case Call::kGetParm:
                return GetParm(static_cast<struct v4l2_streamparm *>(arg), t);
            case Call::kSetParm:
                return SetParm(file, static_cast<struct v4l2_streamparm *>(arg), t);
            case Call::kEnumFrameSizes:
                return EnumFrameSizes(static_cast<struct v4l2_frmsizeenum *>(arg), t);
            case Call::kEnumFrameIntervals:
                return EnumFrameIntervals(static_cast<struct v4l2_frmivalenum *>(arg), t);
            case Call::kReqBufs:
                r = ReqBufs(file, static_cast<struct v4l2_requestbuffers *>(arg), t);
                break;
            case Call::kQueryBuf:
                return QueryBuf(file, static_cast<struct v4l2_buffer *>(arg), t);
            case Call::kQBuf:
                return QBuf(file, static_cast<struct v4l2_buffer *>(arg), t);
            case Call::kDQBuf:
                return DQBuf(lock, file, static_cast<struct v4l2_buffer *>(arg), t);
            case Call::kStreamOn:
                return StreamOn(file, static_cast<const int *>(arg), t);
            case Call::kStreamOff:
                r = StreamOff(file, static_cast<const int *>(arg), t);
                break;
            case Call::kQueryCtrl:
                return QueryCtrl(static_cast<struct v4l2_queryctrl *>(arg), t);
            case Call::kGetCtrl:
                return GetCtrl(static_cast<struct v4l2_control *>(arg), t);
            case Call::kSetCtrl:
                return SetCtrl(static_cast<struct v4l2_control *>(arg), t);
            case Call::kXuQuery:
                return XuQuery(static_cast<struct uvc_xu_control_query *>(arg), t);
            case Call::kIdentity:
                return Identity(static_cast<uint8_t *>(arg), t);
            default:
                return OtherIoctl(request, arg);
        }
        producer = streaming_ ? std::thread() : TakeProducer();
    }
    // A stream that stopped: its producer thread ends outside the lock.
    if (producer.joinable())
        producer.join();
    return r;
}

int Camera::QueryCap(struct v4l2_capability *cap) {
    std::memset(cap, 0, sizeof *cap);
    std::strncpy(reinterpret_cast<char *>(cap->driver), config_.driver.c_str(),
                 sizeof cap->driver - 1);
    std::strncpy(reinterpret_cast<char *>(cap->card), config_.card.c_str(), sizeof cap->card - 1);
    std::strncpy(reinterpret_cast<char *>(cap->bus_info), config_.bus_info.c_str(),
                 sizeof cap->bus_info - 1);
    cap->version = config_.version;
    cap->device_caps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING | V4L2_CAP_EXT_PIX_FORMAT;
    // The device's capabilities include those of the metadata node uvcvideo registers beside it.
    cap->capabilities = cap->device_caps | V4L2_CAP_META_CAPTURE | V4L2_CAP_DEVICE_CAPS;
    return 0;
}

int Camera::Identity(uint8_t *d, TraceEntry *t) {
    if (!config_.identity || config_.stock_kernel)
        return -ENOTTY;
    // The USB device descriptor in its standard layout.
    std::memset(d, 0, 18);
    d[0] = 18;               // bLength
    d[1] = 1;                // bDescriptorType: device
    PutLe16(d + 2, 0x0200);  // bcdUSB
    d[4] = 0xEF;             // bDeviceClass: miscellaneous (interface association)
    d[5] = 0x02;
    d[6] = 0x01;
    d[7] = 64;  // bMaxPacketSize0
    PutLe16(d + 8, config_.vendor_id);
    PutLe16(d + 10, config_.product_id);
    PutLe16(d + 12, config_.bcd_device);
    d[14] = 1;  // iManufacturer
    d[15] = 2;  // iProduct
    d[16] = 0;  // iSerialNumber
    d[17] = 1;  // bNumConfigurations
    t->data.assign(d, d + 18);
    return 0;
}

// ---- Test API ----

void Camera::FailOpen(int err) {
    std::lock_guard<std::mutex> lock(mu_);
    faults_.open_error = err;
}

void Camera::FailCall(Call call, int err, int times, int after) {
    std::lock_guard<std::mutex> lock(mu_);
    faults_.calls[call] = CallFault{err, times, after};
}

void Camera::GrantBuffers(uint32_t n) {
    std::lock_guard<std::mutex> lock(mu_);
    faults_.grant = n;
}

void Camera::FailXu(uint8_t unit, uint8_t selector, int err) {
    std::lock_guard<std::mutex> lock(mu_);
    faults_.xu[{unit, selector}] = err;
}

void Camera::FailControl(uint32_t id, int err) {
    std::lock_guard<std::mutex> lock(mu_);
    faults_.controls[id] = err;
}

void Camera::SetIdentityAnswered(bool answered) {
    std::lock_guard<std::mutex> lock(mu_);
    config_.identity = answered;
    if (answered)
        config_.stock_kernel = false;
}

void Camera::Unplug() {
    std::thread producer;
    {
        std::lock_guard<std::mutex> lock(mu_);
        faults_.unplugged = true;
        producer = TakeProducer();
        // A reader waiting in poll or DQBUF wakes and finds the device gone.
        UpdateReadable();
        cv_.notify_all();
    }
    if (producer.joinable())
        producer.join();
}

void Camera::CorruptFrames(int n) {
    std::lock_guard<std::mutex> lock(mu_);
    faults_.corrupt_frames = n;
}

void Camera::SetStalled(bool stalled) {
    std::lock_guard<std::mutex> lock(mu_);
    faults_.stalled = stalled;
}

void Camera::SetOsdStatus(uint8_t status) {
    std::lock_guard<std::mutex> lock(mu_);
    osd_status_ = status;
}

void Camera::SetHdmiInput(uint8_t state) {
    std::lock_guard<std::mutex> lock(mu_);
    hdmi_input_ = state;
}

int Camera::LastOsdCommand() {
    std::lock_guard<std::mutex> lock(mu_);
    return last_osd_command_;
}

int32_t Camera::ControlValue(uint32_t id) {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = controls_.find(id);
    if (it == controls_.end())
        throw std::invalid_argument("simcam: no control " + std::to_string(id));
    return it->second;
}

EncoderSettings Camera::GetEncoder() {
    std::lock_guard<std::mutex> lock(mu_);
    const EncodeSettings s = CurrentSettings();
    EncoderSettings e;
    e.width = s.width;
    e.height = s.height;
    e.frame_interval = s.frame_interval;
    e.bitrate = s.bitrate;
    e.profile = s.profile;
    e.rate_control = s.rate_control;
    e.iframe_period = s.iframe_period;
    e.block.assign(block_, block_ + sizeof block_);
    return e;
}

std::vector<Frame> Camera::DeliveredFrames() {
    std::lock_guard<std::mutex> lock(mu_);
    return std::vector<Frame>(delivered_.begin(), delivered_.end());
}

void Camera::ClearFrames() {
    std::lock_guard<std::mutex> lock(mu_);
    delivered_.clear();
}

uint64_t Camera::DroppedFrames() {
    std::lock_guard<std::mutex> lock(mu_);
    return dropped_;
}

}  // namespace simcam
