// The camera's side of its extension units, shared by the simulated node and the USB gadget:
// which controls each unit has, and how the H.264 unit takes a commit of its configuration.
#pragma once

#include <stdint.h>

#include <functional>

namespace simcam {

constexpr uint8_t kMenuUnit = 0x13;  // the maker's OSD menu unit
constexpr uint8_t kHdmiUnit = 0x15;  // the maker's HDMI-input unit
constexpr uint8_t kOsdStatusSelector = 10;
constexpr uint8_t kHdmiSelector = 1;
constexpr uint8_t kProbeSelector = 1, kCommitSelector = 2, kPictureTypeSelector = 9;
constexpr uint16_t kConfigBlockSize = 46;  // the H.264 unit's configuration block

// One control of an extension unit as the camera describes it.
struct XuShape {
    uint16_t size;  // GET_LEN
    uint8_t info;   // GET_INFO: 1 GET, 2 SET
    bool ranges;    // answers GET_MIN/MAX/RES/DEF
};

// The control at (unit, selector) of a camera whose H.264 unit is `h264_unit`; false when the
// camera has none there.
bool XuControl(uint8_t h264_unit, uint8_t unit, uint8_t selector, XuShape *shape);

// A commit of the H.264 unit: applies to `block` exactly the fields of `data` whose bmHints bit
// is clear. 0, or -EPIPE (the camera stalls it, `block` unchanged) for what the encoder cannot
// honour; `size_offered` says whether a resolution is one of the camera's H.264 sizes.
int CommitConfigBlock(uint8_t *block, const uint8_t *data,
                      const std::function<bool(uint16_t width, uint16_t height)> &size_offered);

// A picture-type request (4 bytes): 0 (then the next frame is an IDR with SPS and PPS), or
// -EPIPE for a type the camera does not know.
int PictureTypeRequest(const uint8_t *data);

}  // namespace simcam
