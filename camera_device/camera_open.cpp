// open_device: open a node, check it is one of the maker's cameras, bring its V4L2 format,
// frame rate and H.264 encoder settings to the request, and enter it in the table.
#include <string.h>
#include <unistd.h>

#include "camera_internal.h"
#include "orv_fd.h"
#include "orv_usb_ids.h"
#include "uvc/uvc_h264.h"
#include "v4l2/v4l2_formats.h"

namespace {

constexpr char kOp[] = "open_device";

// Refuses another maker's camera; a camera whose identity can't be read is taken.
bool is_orv_node(int fd, const char *dev_name) {
    CAM_LOG(ANDROID_LOG_INFO, kOp, " check orv device devName:%s", dev_name);
    uint16_t vid = 0;
    uint16_t pid = 0;
    if (v4l2_get_video_vid_pid(fd, &vid, &pid) < 0) {
        CAM_LOG(ANDROID_LOG_WARN, kOp, " check is orv device failed");
        return true;
    }
    if (vid != ORV_USB_VENDOR_ID) {
        CAM_LOG(ANDROID_LOG_ERROR, kOp, " openVideo devName:%s error, not orv device", dev_name);
        return false;
    }
    return true;
}

// False when the node streams another pixel format than the one asked for: its bytes would
// reach callers as if they were that format. A different size only warns.
bool bring_video_format(int fd, const CameraParams &want) {
    int pixfmt = 0;
    int width = 0;
    int height = 0;
    if (v4l2_get_video_fmt(fd, &pixfmt, &width, &height) < 0)
        CAM_LOG(ANDROID_LOG_INFO, kOp, " get old video format failed, set new video format");
    else
        CAM_LOG(ANDROID_LOG_INFO, kOp, " get old video format, %d %d %d", pixfmt, width, height);
    if (pixfmt == want.pixfmt && width == want.width && height == want.height)
        return true;

    CAM_LOG(ANDROID_LOG_INFO, kOp, " set new video format, %d %d %d", want.pixfmt, want.width,
            want.height);
    if (v4l2_set_video_fmt(fd, want.pixfmt, want.width, want.height) <= -1)
        CAM_LOG(ANDROID_LOG_WARN, kOp, " set new video format error");
    v4l2_get_video_fmt(fd, &pixfmt, &width, &height);
    CAM_LOG(ANDROID_LOG_INFO, kOp, " get new video format, %d %d %d", pixfmt, width, height);
    if (pixfmt != want.pixfmt) {
        CAM_LOG(ANDROID_LOG_ERROR, kOp, " cannot set new video format:%d", want.pixfmt);
        return false;
    }
    return true;
}

// Returns the frame rate last read (0 when no read worked), for the GOP figures.
int bring_frame_rate(int fd, int framerate) {
    int fps = 0;
    if (v4l2_get_fps(fd, &fps) < 0)
        CAM_LOG(ANDROID_LOG_WARN, kOp, " get old fps error");
    else
        CAM_LOG(ANDROID_LOG_INFO, kOp, " get old fps: %d", fps);
    if (fps == framerate)
        return fps;

    CAM_LOG(ANDROID_LOG_INFO, kOp, " set new fps:%d", framerate);
    v4l2_set_fps(fd, framerate);
    if (v4l2_get_fps(fd, &fps) < 0)
        CAM_LOG(ANDROID_LOG_WARN, kOp, " get new fps error");
    else
        CAM_LOG(ANDROID_LOG_INFO, kOp, " get new fps:%d", fps);
    return fps;
}

// One encoder setting that is written only when the camera holds another value.
struct EncoderSetting {
    int (*get)(int unit, int fd, int *value);
    int (*set)(int unit, int fd, int value);
    const char *old_failed;
    const char *old_value;
    const char *set_value;
    const char *new_failed;
    const char *new_value;
};

const EncoderSetting kProfile = {
    uvc_get_h264_profile,
    uvc_set_h264_profile,
    CAM_AT " get old profile error",
    CAM_AT " get old profile:%x",
    CAM_AT " set new profile:%x",
    CAM_AT " get new profile error",
    CAM_AT " get new profile:%x",
};

const EncoderSetting kRateControlMode = {
    uvc_get_h264_rate_control_mode,
    uvc_set_h264_rate_control_mode,
    CAM_AT " get old rate control mode error",
    CAM_AT " get old rate control mode:%x",
    CAM_AT " set new rate control mode:%x",
    CAM_AT " get new rate control mode error",
    CAM_AT " get new rate control mode:%x",
};

const EncoderSetting kBitrate = {
    uvc_get_h264_bitrate,
    uvc_set_h264_bitrate,
    CAM_AT " get old bitrate error",
    CAM_AT " get old bitrate:%d",
    CAM_AT " set new bitrate:%d",
    CAM_AT " get new bitrate error",
    CAM_AT " get new bitrate:%d",
};

void bring_encoder_setting(const EncoderSetting &s, int unit, int fd, int wanted) {
    int value = 0;
    if (s.get(unit, fd, &value) != 0)
        CAM_LOG_TABLE(ANDROID_LOG_WARN, kOp, s.old_failed, 0);
    else
        CAM_LOG_TABLE(ANDROID_LOG_INFO, kOp, s.old_value, value);
    if (value == wanted)
        return;

    CAM_LOG_TABLE(ANDROID_LOG_INFO, kOp, s.set_value, wanted);
    s.set(unit, fd, wanted);
    if (s.get(unit, fd, &value) != 0)
        CAM_LOG_TABLE(ANDROID_LOG_WARN, kOp, s.new_failed, 0);
    else
        CAM_LOG_TABLE(ANDROID_LOG_INFO, kOp, s.new_value, value);
}

// The GOP length shown beside a period: only logged, so it wraps rather than overflows.
int gop_of(int period, int fps) {
    return static_cast<int>(static_cast<unsigned int>(period) * static_cast<unsigned int>(fps));
}

// Always written, whatever the camera holds.
void write_iframe_period(int unit, int fd, int period, int fps) {
    int value = 0;
    if (uvc_get_h264_iframe_peroid(unit, fd, &value) != 0)
        CAM_LOG(ANDROID_LOG_WARN, kOp, " get old i-frame peroid error");
    else
        CAM_LOG(ANDROID_LOG_INFO, kOp, " get old i-frame peroid:%d(sec), %d(gop)", value,
                gop_of(value, fps));

    CAM_LOG(ANDROID_LOG_INFO, kOp, " set new i-frame peroid:%d(sec), %d(gop)", period,
            gop_of(period, fps));
    uvc_set_h264_iframe_peroid(unit, fd, period);
    if (uvc_get_h264_iframe_peroid(unit, fd, &value) != 0)
        CAM_LOG(ANDROID_LOG_WARN, kOp, " get new i-frame peroid error");
    else
        CAM_LOG(ANDROID_LOG_INFO, kOp, " get new i-frame peroid:%d(sec), %d(gop)", value,
                gop_of(value, fps));
}

// Brings the node to the request. Only a pixel format other than the one asked for stops the
// open (false); every other failure is logged and the next step runs.
bool configure(int unit, int fd, const CameraParams &want) {
    if (!bring_video_format(fd, want))
        return false;
    const int fps = bring_frame_rate(fd, want.framerate);
    bring_encoder_setting(kProfile, unit, fd, orv::device::convert_profile(want.profile));
    bring_encoder_setting(kRateControlMode, unit, fd,
                          orv::device::convert_rate_control_mode(
                              static_cast<unsigned int>(want.rate_control_mode)));
    bring_encoder_setting(kBitrate, unit, fd, want.bitrate);
    write_iframe_period(unit, fd, want.iframe_period, fps);
    return true;
}

// Holds a node name for one open_device, from the duplicate check until the device is in the
// table or the open has failed.
class NameClaim {
  public:
    explicit NameClaim(const char *dev_name)
        : dev_name_(dev_name), held_(orv::device::claim_name(dev_name)) {}
    ~NameClaim() {
        if (held_)
            orv::device::release_name(dev_name_);
    }
    NameClaim(const NameClaim &) = delete;
    NameClaim &operator=(const NameClaim &) = delete;

    bool held() const { return held_; }

  private:
    const char *dev_name_;
    bool held_;
};

}  // namespace

extern "C" int open_device(int unit, const char *dev_name, const CameraParams *params,
                           int dump_enable, const char *dump_path) {
    CAM_LOG(ANDROID_LOG_INFO, kOp, "");
    if (dev_name == nullptr || params == nullptr)
        return -1;
    // The check and the claim are one step under the table lock: of two opens of one node at
    // the same moment, exactly one gets past here.
    const NameClaim claim(dev_name);
    if (!claim.held()) {
        CAM_LOG(ANDROID_LOG_ERROR, kOp, " device %s has opened ,please check", dev_name);
        return -1;
    }
    if (strlen(dev_name) + 1 >= CAMERA_DEVICE_NAME_SIZE) {
        CAM_LOG(ANDROID_LOG_ERROR, kOp, " dev_name too long ,please check");
        return -1;
    }

    CAM_LOG(ANDROID_LOG_INFO, kOp, " open devName:%s", dev_name);
    // Owns the node's descriptor until the table takes it.
    orv::UniqueFd node(v4l2_open_video(dev_name));
    if (node.get() <= 0) {
        CAM_LOG(ANDROID_LOG_ERROR, kOp, " openVideo error, fd:%d dev:%s", node.get(), dev_name);
        return -1;
    }
    // A file, FIFO or other device answers no identity request either, and would pass the
    // vendor check below.
    if (v4l2_is_streaming_capture(node.get()) != 1) {
        CAM_LOG(ANDROID_LOG_ERROR, kOp, " openVideo devName:%s error, not a video capture device",
                dev_name);
        return -1;
    }
    if (!is_orv_node(node.get(), dev_name))
        return -1;

    CAM_LOG(ANDROID_LOG_INFO, kOp, " open dev ok:%d", node.get());
    v4l2_get_video_cap(node.get());
    if (!configure(unit, node.get(), *params))
        return -1;

    if (orv::device::enter_device(node.get(), dev_name, unit, dump_enable, dump_path) == nullptr)
        return -1;
    return node.release();
}

extern "C" int camera_get_video_vid_pid(int fd, uint16_t *vid, uint16_t *pid) {
    return v4l2_get_video_vid_pid(fd, vid, pid);
}
