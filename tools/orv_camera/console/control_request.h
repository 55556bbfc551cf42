// The messages the page sends to drive the camera, checked before anything reaches it: a
// JSON object with "op" and exactly the fields that op takes, each of its type and range.
#pragma once

#include <string>

#include "encoder_settings.h"
#include "ptz_axes.h"

namespace orvcli {

struct ControlRequest {
    enum class Op { kSet, kIFrame, kPtz, kOsd, kMenu, kOsdStatus, kHdmi, kRecord, kPush };
    Op op = Op::kIFrame;
    std::string op_name = "iframe";
    // kSet: the setting and its value.
    const SettingRow *setting = nullptr;
    SettingValue value;
    // kPtz: the axis and the speed (0 stops). kOsd, kMenu: the command byte.
    const PtzAxis *axis = nullptr;
    int speed = 0;
    int command = 0;
    // kRecord: start (with the container "mp4" or "mkv") or stop.
    bool on = false;
    std::string format = "mp4";
    // kPush: start (to the rtsp://, srt:// or rtmp:// `url`) or stop; `on` as for kRecord.
    std::string url;
};

// "" with *out filled when `body` is a good message, else why it is refused (one line).
std::string ParseControlRequest(const std::string &body, ControlRequest *out);

}  // namespace orvcli
