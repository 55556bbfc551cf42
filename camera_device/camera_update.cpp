// Encoder updates on an open camera: read the value, skip an unchanged one, else write it and
// read it back. Extension-unit requests only; the stream and the table are left alone.
#include "camera_internal.h"
#include "uvc/uvc_h264.h"

namespace {

// The frame-rate read hands out an unsigned value; the updates compare ints.
int get_framerate(int unit, int fd, int *fps) {
    unsigned int value = 0;
    const int result = uvc_get_h264_framerate(unit, fd, &value);
    if (result == 0)
        *fps = static_cast<int>(value);
    return result;
}

int set_framerate(int unit, int fd, int fps) {
    return uvc_set_h264_framerate(unit, fd, static_cast<unsigned int>(fps));
}

// What the final line reports.
enum class DoneValue {
    kTarget,    // the value compared and written (the request, converted where it is)
    kLastRead,  // the value last read from the camera
};

// One single-value update: its calls, its start value and its messages (each a full format
// taking one value; those without a placeholder ignore it).
struct Update {
    const char *op;
    int (*get)(int unit, int fd, int *value);
    int (*set)(int unit, int fd, int value);
    int start_value;
    const char *requested;
    const char *old_failed;
    const char *old_value;
    const char *skip;
    const char *new_target;
    const char *write_failed;
    const char *new_failed;
    const char *new_value;
    const char *done;
    DoneValue done_value;
};

const Update kFramerate = {
    "update_framerate",
    get_framerate,
    set_framerate,
    0,
    CAM_AT " update_framerate: %d",
    CAM_AT " get old framerate fail",
    CAM_AT " get old framerate : %d ",
    CAM_AT " skip update framerate",
    CAM_AT " update new framerate:%d",
    CAM_AT " error",
    CAM_AT " get new framerate fail",
    CAM_AT " get new framerate : %d ",
    CAM_AT " update new framerate ok : %d ",
    DoneValue::kTarget,
};

const Update kBitrate = {
    "update_bitrate",
    uvc_get_h264_bitrate,
    uvc_set_h264_bitrate,
    0,
    CAM_AT " update_bitrate:%d",
    CAM_AT " get old bitrate fail",
    CAM_AT " get old bitrate: %d",
    CAM_AT " skip update bitrate",
    CAM_AT " update new bitrate:%d",
    CAM_AT " error",
    CAM_AT " get new bitrate fail",
    CAM_AT " get new bitrate: %d",
    CAM_AT " update bitrate ok :%d",
    DoneValue::kTarget,
};

const Update kIframePeriod = {
    "update_iframe_period",
    uvc_get_h264_iframe_peroid,
    uvc_set_h264_iframe_peroid,
    -1,
    CAM_AT,
    CAM_AT " get old period fail",
    CAM_AT " get old period: %d",
    CAM_AT " skip update period",
    CAM_AT " update new period:%d",
    CAM_AT " update iframe peroid error",
    CAM_AT " get new period fail",
    CAM_AT " get new period: %d",
    CAM_AT " update peroid ok:%d",
    DoneValue::kTarget,
};

const Update kProfile = {
    "update_profile",
    uvc_get_h264_profile,
    uvc_set_h264_profile,
    0,
    CAM_AT " update_profile:%d",
    CAM_AT " get old profile fail",
    CAM_AT " get old profile: %d",
    CAM_AT " skip update profile",
    CAM_AT " update new profile:%d",
    CAM_AT " update profile error",
    CAM_AT " get new profile fail",
    CAM_AT " get new profile: %d",
    CAM_AT " update profile ok :0x%x",
    DoneValue::kLastRead,
};

// The read-back uses the first read's two texts.
const Update kRateControlMode = {
    "update_rate_control_mode",
    uvc_get_h264_rate_control_mode,
    uvc_set_h264_rate_control_mode,
    0,
    CAM_AT " update_rate_control_mode : %d ",
    CAM_AT " get old rate_control_mode fail",
    CAM_AT " get old rate_control_mode: %d",
    CAM_AT " skip update rate_control_mode",
    CAM_AT " update new rate_control_mode:%d",
    CAM_AT " update new rate_control_mode error",
    CAM_AT " get old rate_control_mode fail",
    CAM_AT " get old rate_control_mode: %d",
    CAM_AT " update rate_control_mode ok :%d",
    DoneValue::kTarget,
};

// Reads the camera's value into *value, logging the outcome with the two texts given.
void read_value(const Update &u, int unit, int fd, int *value, const char *failed,
                const char *read) {
    if (u.get(unit, fd, value) != 0)
        CAM_LOG_TABLE(ANDROID_LOG_WARN, u.op, failed, 0);
    else
        CAM_LOG_TABLE(ANDROID_LOG_INFO, u.op, read, *value);
}

// After the request line and the descriptor check. `target` is the request as the camera
// takes it (converted for the profile and the rate-control mode).
int apply(const Update &u, int unit, int fd, int target) {
    int current = u.start_value;
    read_value(u, unit, fd, &current, u.old_failed, u.old_value);
    if (current == target) {
        CAM_LOG_TABLE(ANDROID_LOG_INFO, u.op, u.skip, 0);
    } else {
        CAM_LOG_TABLE(ANDROID_LOG_INFO, u.op, u.new_target, target);
        if (u.set(unit, fd, target) < 0) {
            CAM_LOG_TABLE(ANDROID_LOG_ERROR, u.op, u.write_failed, 0);
            return -1;
        }
        read_value(u, unit, fd, &current, u.new_failed, u.new_value);
    }
    CAM_LOG_TABLE(ANDROID_LOG_INFO, u.op, u.done,
                  u.done_value == DoneValue::kLastRead ? current : target);
    return 0;
}

// Logs the request and refuses a descriptor no open slot holds.
bool begin(const Update &u, int fd, int requested) {
    CAM_LOG_TABLE(ANDROID_LOG_INFO, u.op, u.requested, requested);
    return orv::device::open_slot(fd) != nullptr;
}

}  // namespace

extern "C" int update_framerate(int unit, int fd, int framerate) {
    return begin(kFramerate, fd, framerate) ? apply(kFramerate, unit, fd, framerate) : -1;
}

extern "C" int update_bitrate(int unit, int fd, int bitrate) {
    return begin(kBitrate, fd, bitrate) ? apply(kBitrate, unit, fd, bitrate) : -1;
}

extern "C" int update_iframe_period(int unit, int fd, int period) {
    return begin(kIframePeriod, fd, period) ? apply(kIframePeriod, unit, fd, period) : -1;
}

extern "C" int update_profile(int unit, int fd, int profile) {
    if (!begin(kProfile, fd, profile))
        return -1;
    return apply(kProfile, unit, fd, orv::device::convert_profile(profile));
}

extern "C" int update_rate_control_mode(int unit, int fd, int rate_control_mode) {
    if (!begin(kRateControlMode, fd, rate_control_mode))
        return -1;
    return apply(kRateControlMode, unit, fd,
                 orv::device::convert_rate_control_mode(
                     static_cast<unsigned int>(rate_control_mode)));
}

extern "C" int update_resolution(int unit, int fd, int width, int height) {
    constexpr char kOp[] = "update_resolution";
    CAM_LOG(ANDROID_LOG_INFO, kOp, " update_resolution: %dx%d", width, height);
    if (orv::device::open_slot(fd) == nullptr)
        return -1;
    if (uvc_set_h264_resolution(unit, fd, width, height) < 0) {
        CAM_LOG(ANDROID_LOG_ERROR, kOp, " error");
        return -1;
    }
    int w = 0;
    int h = 0;
    if (uvc_get_h264_resolution(unit, fd, &w, &h) != 0)
        CAM_LOG(ANDROID_LOG_WARN, kOp, " get old resolution fail");
    else
        CAM_LOG(ANDROID_LOG_INFO, kOp, " get old resolution: %dx%d", w, h);

    if (w == width && h == height) {
        CAM_LOG(ANDROID_LOG_INFO, kOp, " skip update resolution: %dx%d", width, height);
    } else {
        CAM_LOG(ANDROID_LOG_INFO, kOp, " update new resolution: %dx%dd", width, height);
        if (uvc_set_h264_resolution(unit, fd, width, height) < 0) {
            CAM_LOG(ANDROID_LOG_ERROR, kOp, " update new resolution fail: %dx%d", width, height);
            return -1;
        }
        if (uvc_get_h264_resolution(unit, fd, &w, &h) != 0)
            CAM_LOG(ANDROID_LOG_WARN, kOp, " get new resolution fail");
        else
            CAM_LOG(ANDROID_LOG_INFO, kOp, " get new resolution: %dx%d", w, h);
    }
    CAM_LOG(ANDROID_LOG_INFO, kOp, " update new resolution ok : %dx%d ", width, height);
    return 0;
}
