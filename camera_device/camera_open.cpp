// open_device: open a node, check it is one of the maker's cameras, bring its V4L2 format,
// frame rate and H.264 encoder settings to the request, and enter it in the table.
#include <string.h>
#include <unistd.h>

#include "camera_internal.h"
#include "orv_fd.h"
#include "orv_usb_ids.h"
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
// reach callers as if they were that format. A different size only warns. -1 (the Java
// parameters had no "pixfmt") and 0 (not a number) ask for no format: the open goes on with the
// format the node holds after the request, which has to be H.264.
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
    if (pixfmt == want.pixfmt)
        return true;
    const bool asked = want.pixfmt != -1 && want.pixfmt != 0;
    CAM_LOG(asked ? ANDROID_LOG_ERROR : ANDROID_LOG_WARN, kOp, " cannot set new video format:%d",
            want.pixfmt);
    if (asked)
        return false;
    if (pixfmt != static_cast<int>(V4L2_PIX_FMT_H264)) {
        CAM_LOG(ANDROID_LOG_ERROR, kOp, " video format %d is not H.264", pixfmt);
        return false;
    }
    return true;
}

using orv::device::SettingSync;
using orv::device::SettingValue;

// Open's frame rate (through V4L2) and encoder settings: written only when the camera holds
// another value (the I-frame period always), a refused write only logged.
// clang-format off
const SettingSync kFrameRate = {
    orv::device::kV4l2FpsCalls, {0, 0}, orv::device::kSyncPlain, nullptr,
    " get old fps error", " get old fps: %d",
    nullptr, " set new fps:%d", nullptr,
    " get new fps error", " get new fps:%d",
    nullptr};
const SettingSync kProfile = {
    orv::device::kProfileCalls, {0, 0}, orv::device::kSyncPlain, nullptr,
    " get old profile error", " get old profile:%x",
    nullptr, " set new profile:%x", nullptr,
    " get new profile error", " get new profile:%x",
    nullptr};
const SettingSync kRateControlMode = {
    orv::device::kRateControlModeCalls, {0, 0}, orv::device::kSyncPlain, nullptr,
    " get old rate control mode error", " get old rate control mode:%x",
    nullptr, " set new rate control mode:%x", nullptr,
    " get new rate control mode error", " get new rate control mode:%x",
    nullptr};
const SettingSync kBitrate = {
    orv::device::kBitrateCalls, {0, 0}, orv::device::kSyncPlain, nullptr,
    " get old bitrate error", " get old bitrate:%d",
    nullptr, " set new bitrate:%d", nullptr,
    " get new bitrate error", " get new bitrate:%d",
    nullptr};
const SettingSync kIFramePeriod = {
    orv::device::kIFramePeriodCalls, {0, 0}, orv::device::kAlwaysWrite | orv::device::kShowGop,
    nullptr,
    " get old i-frame peroid error", " get old i-frame peroid:%d(sec), %d(gop)",
    nullptr, " set new i-frame peroid:%d(sec), %d(gop)", nullptr,
    " get new i-frame peroid error", " get new i-frame peroid:%d(sec), %d(gop)",
    nullptr};
// clang-format on

// Brings the node to the request. Only a pixel format other than the one asked for stops the
// open (false); every other failure is logged and the next step runs.
bool configure(int unit, int fd, const CameraParams &want) {
    if (!bring_video_format(fd, want))
        return false;
    using orv::device::sync_setting;
    SettingValue fps = {0, 0};  // the frame rate last read, for the GOP figures
    sync_setting(kFrameRate, kOp, unit, fd, {want.framerate, 0}, 0, &fps);
    sync_setting(kProfile, kOp, unit, fd, {orv::device::convert_profile(want.profile), 0});
    const unsigned int mode = static_cast<unsigned int>(want.rate_control_mode);
    sync_setting(kRateControlMode, kOp, unit, fd,
                 {orv::device::convert_rate_control_mode(mode), 0});
    sync_setting(kBitrate, kOp, unit, fd, {want.bitrate, 0});
    sync_setting(kIFramePeriod, kOp, unit, fd, {want.iframe_period, 0}, fps.first);
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
