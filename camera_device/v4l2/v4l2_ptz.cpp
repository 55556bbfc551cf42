// Pan, tilt, zoom and focus: one fixed control per action, and the composite moves.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "v4l2/v4l2_controls.h"

namespace {

// -1 after printing `failure` when `result` is negative, else 0.
int checked(int result, const char *failure) {
    if (result < 0) {
        puts(failure);
        return -1;
    }
    return 0;
}

int set_or_say(int fd, int id, int value, const char *failure) {
    return checked(v4l2SetControl(fd, id, value), failure);
}

int get_or_say(int fd, int id, int *value, const char *failure) {
    return checked(v4l2GetControl(fd, id, value), failure);
}

// Two bytes of a relative move on one axis: direction (1 positive, 0xFF negative, 0 none) and
// speed (the magnitude, at most 255).
uint32_t relative_axis(int value) {
    const uint32_t direction = value > 0 ? 0x01 : value < 0 ? 0xFF : 0x00;
    const int64_t magnitude = std::llabs(static_cast<long long>(value));
    const uint32_t speed = magnitude > 255 ? 255 : static_cast<uint32_t>(magnitude);
    return direction | (speed << 8);
}

}  // namespace

extern "C" int v4l2PanLeftRight(int fd, int speed) {
    return set_or_say(fd, V4L2_CID_PAN_SPEED, speed, "v4l2 set pan left/right control error");
}

extern "C" int v4l2TiltUpDown(int fd, int speed) {
    return set_or_say(fd, V4L2_CID_TILT_SPEED, speed, "v4l2 set tilt up/down control error");
}

extern "C" int v4l2ZoomInOut(int fd, int speed) {
    return set_or_say(fd, V4L2_CID_ZOOM_CONTINUOUS, speed, "v4l2 set zoom in/out control error");
}

extern "C" int v4l2FocusFarNear(int fd, int value) {
    return set_or_say(fd, ORV_CID_FOCUS_FAR_NEAR, value, "v4l2 set focus far/near control error");
}

extern "C" int v4l2FocusAuto(int fd, int value) {
    return set_or_say(fd, V4L2_CID_FOCUS_AUTO, value, "v4l2 set focus auto control error");
}

extern "C" int v4l2SetPanPosition(int fd, int position) {
    return set_or_say(fd, V4L2_CID_PAN_ABSOLUTE, position, "v4l2 set pan position control error");
}

extern "C" int v4l2SetTiltPosition(int fd, int position) {
    return set_or_say(fd, V4L2_CID_TILT_ABSOLUTE, position, "v4l2 set tilt position control error");
}

extern "C" int v4l2SetZoomPosition(int fd, int position) {
    return set_or_say(fd, V4L2_CID_ZOOM_ABSOLUTE, position, "v4l2 set zoom position control error");
}

extern "C" int v4l2SetFocusPosition(int fd, int position) {
    return set_or_say(fd, V4L2_CID_FOCUS_ABSOLUTE, position,
                      "v4l2 set focus position control error");
}

extern "C" int v4l2PanTiltRelative(int fd, int pan, int tilt) {
    const uint32_t packed = relative_axis(pan) | (relative_axis(tilt) << 16);
    return set_or_say(fd, ORV_CID_PANTILT_RELATIVE, static_cast<int>(packed),
                      "v4l2 set PANTILT_RELATIVE control error");
}

extern "C" int v4l2GetFocusAuto(int fd, int *value) {
    return get_or_say(fd, V4L2_CID_FOCUS_AUTO, value, "v4l2 get focus auto control error");
}

extern "C" int v4l2GetPanPosition(int fd, int *value) {
    return get_or_say(fd, V4L2_CID_PAN_ABSOLUTE, value, "v4l2 get pan position control error");
}

extern "C" int v4l2GetTiltPosition(int fd, int *value) {
    return get_or_say(fd, V4L2_CID_TILT_ABSOLUTE, value, "v4l2 get tilt position control error");
}

extern "C" int v4l2GetZoomPosition(int fd, int *value) {
    return get_or_say(fd, V4L2_CID_ZOOM_ABSOLUTE, value, "v4l2 get zoom position control error");
}

extern "C" int v4l2GetFocusPosition(int fd, int *value) {
    return get_or_say(fd, V4L2_CID_FOCUS_ABSOLUTE, value, "v4l2 get focus position control error");
}

extern "C" int v4l2PanTiltAbsolute(int fd, int pan, int tilt) {
    if (checked(v4l2SetPanPosition(fd, pan), "v4l2 set PanPosition control error") < 0)
        return -1;
    return checked(v4l2SetTiltPosition(fd, tilt), "v4l2 set TiltPosition control error");
}

extern "C" int v4l2PanTiltStop(int fd) {
    return checked(v4l2PanTiltRelative(fd, 0, 0), "v4l2 set v4l2PanTiltRelative control error");
}

extern "C" int v4l2SetPtzToHome(int fd) {
    static const int kHome[] = {V4L2_CID_PAN_ABSOLUTE, V4L2_CID_TILT_ABSOLUTE,
                                V4L2_CID_ZOOM_ABSOLUTE, V4L2_CID_FOCUS_AUTO,
                                V4L2_CID_FOCUS_ABSOLUTE};
    for (int id : kHome) {
        const int ret = v4l2SetDefault(fd, id);
        if (ret != 0)
            return ret;
    }
    return 0;
}
