// The PTZ axes: the name each command and the console take, the movement code start_ptz and
// stop_ptz take, and the V4L2 control that holds its speed (whose range the camera says).
#pragma once

#include <string>
#include <vector>

namespace orvcli {

struct PtzAxis {
    const char *name;
    unsigned movement;
    int control;
};

const std::vector<PtzAxis> &PtzAxes();
// The axis named `name`, or null.
const PtzAxis *FindPtzAxis(const std::string &name);
// "pan|tilt|zoom".
std::string PtzAxisNames();

// Starts (speed not 0) or stops the movement. "" when the camera took it; else why not: a
// speed outside the range the camera gives its control (which the library would refuse
// without failing), or the camera's refusal.
std::string MovePtz(int fd, const PtzAxis &axis, int speed);

}  // namespace orvcli
