#include "ptz_axes.h"

#include <linux/videodev2.h>

#include "camera_discovery.h"
#include "named_rows.h"
#include "v4l2/v4l2_controls.h"

namespace orvcli {
namespace {

// The second movement code of each pair does the same as the first.
const std::vector<PtzAxis> kAxes = {
    {"pan", 0, V4L2_CID_PAN_SPEED},
    {"tilt", 2, V4L2_CID_TILT_SPEED},
    {"zoom", 4, V4L2_CID_ZOOM_CONTINUOUS},
};

}  // namespace

const std::vector<PtzAxis> &PtzAxes() {
    return kAxes;
}

const PtzAxis *FindPtzAxis(const std::string &name) {
    return FindNamed(kAxes, &PtzAxis::name, name);
}

std::string PtzAxisNames() {
    return NameList(kAxes, &PtzAxis::name, "|");
}

std::string MovePtz(int fd, const PtzAxis &axis, int speed) {
    if (speed == 0)
        return stop_ptz(fd, axis.movement) == 0 ? "" : "the camera refused to stop";
    struct v4l2_queryctrl range = {};
    if (isv4l2Control(fd, axis.control, &range) < 0)
        return std::string("the camera has no ") + axis.name + " speed control";
    if (speed < range.minimum || speed > range.maximum)
        return "speed " + std::to_string(speed) + " is outside the camera's " + axis.name +
               " range, " + std::to_string(range.minimum) + " to " + std::to_string(range.maximum);
    return start_ptz(fd, axis.movement, speed) == 0 ? "" : "the camera refused the movement";
}

}  // namespace orvcli
