// The one mechanism behind open's encoder settings and the updates: read the camera's value,
// compare, write, read back, each step logged from the caller's table of texts.
#include "camera_internal.h"
#include <stdio.h>

#include "uvc/uvc_h264.h"

namespace orv {
namespace device {
namespace {

template <int (*Get)(int, int, int *)>
int get_one(int unit, int fd, SettingValue *value) {
    return Get(unit, fd, &value->first);
}

template <int (*Set)(int, int, int)>
int set_one(int unit, int fd, SettingValue value) {
    return Set(unit, fd, value.first);
}

int get_resolution(int unit, int fd, SettingValue *value) {
    return uvc_get_h264_resolution(unit, fd, &value->first, &value->second);
}

int set_resolution(int unit, int fd, SettingValue value) {
    return uvc_set_h264_resolution(unit, fd, value.first, value.second);
}

// The frame-rate read hands out an unsigned value; the settings compare ints.
int get_framerate(int unit, int fd, SettingValue *value) {
    unsigned int fps = 0;
    const int result = uvc_get_h264_framerate(unit, fd, &fps);
    if (result == 0)
        value->first = static_cast<int>(fps);
    return result;
}

int set_framerate(int unit, int fd, SettingValue value) {
    return uvc_set_h264_framerate(unit, fd, static_cast<unsigned int>(value.first));
}

int get_v4l2_fps(int, int fd, SettingValue *value) {
    return v4l2_get_fps(fd, &value->first);
}

int set_v4l2_fps(int, int fd, SettingValue value) {
    return v4l2_set_fps(fd, value.first);
}

bool operator==(SettingValue a, SettingValue b) {
    return a.first == b.first && a.second == b.second;
}

// The GOP length shown beside a period: only logged, so it wraps rather than overflows.
SettingValue shown(const SettingSync &s, SettingValue v, int fps) {
    if (s.flags & kShowGop)
        v.second =
            static_cast<int>(static_cast<unsigned int>(v.first) * static_cast<unsigned int>(fps));
    return v;
}

// Reads into *value, logging the outcome with the texts given.
void read(const SettingSync &s, const char *op, int unit, int fd, SettingValue *value,
          const char *failed, const char *read_text, int fps) {
    if (s.calls.get(unit, fd, value) != 0) {
        log_setting(ANDROID_LOG_WARN, op, failed, {0, 0});
        return;
    }
    log_setting(ANDROID_LOG_INFO, op, read_text, shown(s, *value, fps));
}

}  // namespace

const SettingCalls kResolutionCalls = {get_resolution, set_resolution};
const SettingCalls kFramerateCalls = {get_framerate, set_framerate};
const SettingCalls kProfileCalls = {get_one<uvc_get_h264_profile>, set_one<uvc_set_h264_profile>};
const SettingCalls kRateControlModeCalls = {get_one<uvc_get_h264_rate_control_mode>,
                                            set_one<uvc_set_h264_rate_control_mode>};
const SettingCalls kBitrateCalls = {get_one<uvc_get_h264_bitrate>, set_one<uvc_set_h264_bitrate>};
const SettingCalls kV4l2FpsCalls = {get_v4l2_fps, set_v4l2_fps};
const SettingCalls kIFramePeriodCalls = {get_one<uvc_get_h264_iframe_peroid>,
                                         set_one<uvc_set_h264_iframe_peroid>};

void log_setting(int priority, const char *op, const char *text, SettingValue value) {
    if (text == nullptr || !orv_log_enabled(priority))
        return;
    char line[160];
    snprintf(line, sizeof line, text, value.first, value.second);
    CAM_LOG(priority, op, "%s", line);
}

int sync_setting(const SettingSync &s, const char *op, int unit, int fd, SettingValue target,
                 int fps, SettingValue *last) {
    const SettingValue want = shown(s, target, fps);
    if (s.prewrite_failed && s.calls.set(unit, fd, target) < 0) {
        log_setting(ANDROID_LOG_ERROR, op, s.prewrite_failed, want);
        return -1;
    }
    SettingValue current = s.start;
    read(s, op, unit, fd, &current, s.old_failed, s.old_value, fps);
    if (current == target && !(s.flags & kAlwaysWrite)) {
        log_setting(ANDROID_LOG_INFO, op, s.skip, want);
    } else {
        log_setting(ANDROID_LOG_INFO, op, s.set_value, want);
        if (s.calls.set(unit, fd, target) < 0 && s.write_failed) {
            log_setting(ANDROID_LOG_ERROR, op, s.write_failed, want);
            return -1;
        }
        read(s, op, unit, fd, &current, s.new_failed, s.new_value, fps);
    }
    if (last)
        *last = current;
    log_setting(ANDROID_LOG_INFO, op, s.done,
                (s.flags & kDoneShowsRead) ? shown(s, current, fps) : want);
    return 0;
}

}  // namespace device
}  // namespace orv
