// The simulated nodes' configuration: what each camera offers and how it starts.
#pragma once

#include <stdint.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "simcam/simcam.h"

namespace simcam {

struct Fraction {
    uint32_t numerator = 0;
    uint32_t denominator = 0;
};

// V4L2's enumeration kinds: 1 discrete, 2 continuous, 3 stepwise.
enum Kind : uint32_t { kDiscrete = 1, kContinuous = 2, kStepwise = 3 };

struct IntervalSet {
    uint32_t kind = kDiscrete;
    std::vector<Fraction> discrete;  // kind discrete
    Fraction min, max, step;         // continuous (step 1/1) or stepwise
};

struct FrameSize {
    uint32_t width = 0, height = 0;
    IntervalSet intervals;
};

struct SizeSet {
    uint32_t kind = kDiscrete;
    std::vector<FrameSize> discrete;  // kind discrete
    uint32_t min_width = 0, max_width = 0, step_width = 1;
    uint32_t min_height = 0, max_height = 0, step_height = 1;
    IntervalSet intervals;  // every size of a continuous or stepwise range
};

struct FormatConfig {
    uint32_t fourcc = 0;  // 0: the format taken as H.265
    std::string description;
    uint32_t flags = 0;  // V4L2_FMT_FLAG_*
    SizeSet sizes;
};

struct ControlConfig {
    uint32_t id = 0;
    std::string name;
    uint32_t type = 1;  // V4L2_CTRL_TYPE_*
    int32_t minimum = 0, maximum = 0, step = 1, default_value = 0;
    uint32_t flags = 0;  // V4L2_CTRL_FLAG_*
};

struct CallFault {
    int error = 0;
    int times = -1;  // < 0: every time
    int after = 0;   // calls that still succeed before the first failure
};

struct Faults {
    int open_error = 0;
    std::map<Call, CallFault> calls;
    uint32_t grant = 0;                             // 0: as asked
    std::map<std::pair<uint8_t, uint8_t>, int> xu;  // (unit, selector) -> errno
    std::map<uint32_t, int> controls;               // control id -> errno
    bool unplugged = false;
    bool stalled = false;
    int corrupt_frames = 0;  // the next frames delivered with V4L2_BUF_FLAG_ERROR
};

struct EncoderInit {
    uint32_t bitrate = 1920000;
    uint16_t profile = 0x6400;
    uint8_t rate_control = 1;
    uint16_t iframe_period = 1;
};

struct NodeConfig {
    std::string path;
    int minor = 0;  // N of /dev/videoN
    std::string driver = "uvcvideo";
    std::string card;
    std::string bus_info;
    uint32_t version = 0x00060100;  // the kernel's version, as QUERYCAP reports it
    // false: no USB device behind the node, and no answer to the identity request.
    bool identity = true;
    // The driver does not know the identity request (ENOTTY); the USB device is there.
    bool stock_kernel = false;
    uint16_t vendor_id = 0, product_id = 0, bcd_device = 0;
    uint8_t h264_unit = 12;
    uint8_t osd_status = 0;
    uint8_t hdmi_input = 1;
    std::vector<FormatConfig> formats;
    std::vector<ControlConfig> controls;
    EncoderInit encoder;
    Clock clock = Clock::kRealTime;
    int prebuffered_frames = 30;  // frames encoded beforehand for the fast clock
    // A corrupted frame is dropped rather than delivered flagged V4L2_BUF_FLAG_ERROR: uvcvideo
    // with nodrop=0, the default up to Linux 6.x kernels such as Debian 12's 6.1.
    bool drop_corrupted = false;
    bool stamp_capture_time = false;  // each H.264 frame carries its capture time (SEI)
    Faults faults;
};

struct Config {
    std::vector<NodeConfig> nodes;
};

// Parses a configuration; throws std::invalid_argument naming the offending field.
Config ParseConfig(const std::string &json);

// The default configuration's JSON text.
std::string DefaultConfigJson();

// errno from a name ("EBUSY") or a number; throws std::invalid_argument.
int ParseErrno(const std::string &text);

}  // namespace simcam
