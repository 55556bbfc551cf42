#include "open_camera.h"

#include <linux/videodev2.h>

#include <map>

#include <CLI/CLI.hpp>

#include "camera_device.h"
#include "cli_common.h"
#include "h264_unit.h"
#include "v4l2/v4l2_device.h"

namespace orvcli {
namespace {

const std::map<std::string, int> kProfiles = {{"baseline", 1}, {"main", 2}, {"high", 8}};
const std::map<std::string, int> kRateControls = {{"cqp", 0}, {"vbr", 1}, {"cbr", 2}};

int Code(const std::map<std::string, int> &names, const std::string &name) {
    const auto it = names.find(name);
    return it == names.end() ? -1 : it->second;
}

// The device table's lock is set up once per process, before the first open.
void InitTableOnce() {
    static const int init = init_camera_device();
    (void)init;
}

}  // namespace

int ProfileCode(const std::string &name) {
    return Code(kProfiles, name);
}

int RateControlCode(const std::string &name) {
    return Code(kRateControls, name);
}

void AddUnitOption(CLI::App *cmd, std::string *unit) {
    cmd->add_option("--unit", *unit,
                    "H.264 extension unit id, or auto: the one the USB descriptors of the "
                    "camera describe (12 when none)")
        ->capture_default_str()
        ->check(CheckUnitText);
}

void AddOpenOptions(CLI::App *cmd, OpenSettings *s) {
    cmd->add_option("--size", s->size, "Frame size WxH")
        ->capture_default_str()
        ->check([](const std::string &text) {
            int w = 0, h = 0;
            return ParseSize(text, &w, &h) ? std::string() : "not a size WxH: " + text;
        });
    cmd->add_option("--fps", s->framerate, "Frames per second")
        ->capture_default_str()
        ->check(CLI::PositiveNumber);
    cmd->add_option("--profile", s->profile, "H.264 profile: baseline, main or high")
        ->transform(CLI::CheckedTransformer(kProfiles))
        ->default_str("baseline");
    cmd->add_option("--rate-control", s->rate_control_mode, "Rate control: cbr, vbr or cqp")
        ->transform(CLI::CheckedTransformer(kRateControls))
        ->default_str("cbr");
    cmd->add_option("--bitrate", s->bitrate, "Bit rate, bit/s")
        ->capture_default_str()
        ->check(CLI::PositiveNumber);
    cmd->add_option("--iframe-period", s->iframe_period, "Seconds between I-frames")
        ->capture_default_str()
        ->check(CLI::NonNegativeNumber);
    AddUnitOption(cmd, &s->unit);
}

OpenCamera::OpenCamera(const std::string &node, const OpenSettings &s, int unit) {
    InitTableOnce();
    CameraParams params{};
    params.pixfmt = V4L2_PIX_FMT_H264;
    ParseSize(s.size, &params.width, &params.height);
    params.framerate = s.framerate;
    params.profile = s.profile;
    params.reserved = 31;
    params.rate_control_mode = s.rate_control_mode;
    params.bitrate = s.bitrate;
    params.iframe_period = s.iframe_period;
    fd_ = open_device(unit, node.c_str(), &params, 0, nullptr);
    if (fd_ <= 0)
        fd_ = -1;
}

OpenCamera::~OpenCamera() {
    if (fd_ < 0)
        return;
    if (capture_started_)
        stop_capture(fd_);
    close_device(fd_);
}

bool OpenCamera::StartCapture() {
    if (fd_ <= 0)
        return false;
    // A failed start may leave buffers mapped: stop_capture unmaps them in any case.
    capture_started_ = true;
    return start_capture(fd_) == 0;
}

RawNode::RawNode(const std::string &node) : fd_(v4l2_open_video(node.c_str())) {}

RawNode::~RawNode() {
    if (fd_ > 0)
        v4l2_close_video(fd_);
}

}  // namespace orvcli
