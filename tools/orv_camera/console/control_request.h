// The messages the page sends to drive the camera, checked before anything reaches it: a
// JSON object with "op" and exactly the fields that op takes, each of its type and range.
#pragma once

#include <string>

namespace orvcli {

struct ControlRequest {
    enum class Op { kSet, kIFrame, kPtz, kOsd, kMenu, kOsdStatus, kHdmi, kRecord };
    Op op = Op::kIFrame;
    std::string op_name;
    // kSet: the setting ("size", "framerate", "bitrate", "profile", "rate_control",
    // "iframe_period") and its value(s): the size's width and height, a number, or the code of
    // a profile or rate-control name.
    std::string key;
    int a = 0, b = 0;
    // kPtz: the movement code of the axis and the speed (0 stops). kOsd, kMenu: the command.
    int movement = 0;
    int speed = 0;
    int command = 0;
    // kRecord: start (with the container "mp4" or "mkv") or stop.
    bool on = false;
    std::string format = "mp4";
};

// "" with *out filled when `body` is a good message, else why it is refused (one line).
std::string ParseControlRequest(const std::string &body, ControlRequest *out);

}  // namespace orvcli
