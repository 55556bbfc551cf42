#include "open_camera.h"

#include <linux/videodev2.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "camera_device.h"
#include "cli_common.h"
#include "h264_unit.h"
#include "uvc/uvc_h264.h"
#include "v4l2/v4l2_device.h"

namespace orvcli {
namespace {

// The device table's lock is set up once per process, before the first open.
void InitTableOnce() {
    static const int init = init_camera_device();
    (void)init;
}

// The name of a code, or the code itself in hexadecimal.
std::string NameOf(const Choices &names, int code) {
    for (const auto &n : names)
        if (n.second == code)
            return n.first;
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(code));
    return text;
}

// The camera's wProfile and bRateControlMode values, as the options' codes.
int ProfileOfCamera(int w_profile) {
    switch (w_profile) {
        case UVCX_H264_wProfile_BASELINEPROFILE:
            return 1;
        case UVCX_H264_wProfile_MAINPROFILE:
            return 2;
        case UVCX_H264_wProfile_HIGHPROFILE:
            return 8;
        default:
            return w_profile;
    }
}
int RateControlOfCamera(int mode) {
    return mode >= UVCX_RATE_CONTROL_CBR && mode <= UVCX_RATE_CONTROL_CONST_QP
               ? UVCX_RATE_CONTROL_CONST_QP - mode
               : mode;
}

// One setting: what was asked and what the camera holds ("" when it could not be read).
struct Setting {
    const char *label;
    std::string asked;
    std::string held;
};

}  // namespace

const Choices &ProfileNames() {
    static const Choices names = {{"baseline", 1}, {"main", 2}, {"high", 8}};
    return names;
}

const Choices &RateControlNames() {
    static const Choices names = {{"cqp", 0}, {"vbr", 1}, {"cbr", 2}};
    return names;
}

Check SizeCheck(const std::string &name) {
    return [name](const std::string &text) {
        int w = 0, h = 0;
        return ParseSize(text, &w, &h)
                   ? std::string()
                   : name + " takes a frame size WxH (e.g. 1280x720), not '" + text + "'";
    };
}

void AddUnitOption(Command &cmd, std::string *unit_choice) {
    cmd.Text("--unit", unit_choice,
             "H.264 extension unit id, or auto: the one the USB descriptors of the camera "
             "describe (12 when none)",
             CheckUnitText)
        .ShowDefault(*unit_choice);
}

void AddOpenOptions(Command &cmd, OpenSettings *s) {
    cmd.Text("--size", &s->size, "Frame size WxH", SizeCheck("--size"))
        .ShowDefault(s->size)
        .Int("--fps", &s->framerate, "Frames per second", 1)
        .ShowDefault(std::to_string(s->framerate))
        .Choice("--profile", &s->profile, ProfileNames(), "H.264 profile")
        .ShowDefault(NameOf(ProfileNames(), s->profile))
        .Choice("--rate-control", &s->rate_control_mode, RateControlNames(), "Rate control")
        .ShowDefault(NameOf(RateControlNames(), s->rate_control_mode))
        .Int("--bitrate", &s->bitrate, "Bit rate, bit/s", 1)
        .ShowDefault(std::to_string(s->bitrate))
        .Int("--iframe-period", &s->iframe_period, "Seconds between I-frames", 0)
        .ShowDefault(std::to_string(s->iframe_period));
    AddUnitOption(cmd, &s->unit_choice);
}

int CannotOpen(const std::string &node) {
    const int fd = open(node.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return Fail(kNotFound, "cannot open " + node + ": " + std::strerror(errno));
    close(fd);
    return Fail(kNotFound, "cannot open " + node +
                               ": not a camera of the maker, already open, or busy (-v says more)");
}

HeldSettings ReadSettings(int fd, int unit) {
    int pixfmt = 0, w = 0, h = 0, fps = 0, profile = 0, mode = 0, bitrate = 0, period = 0;
    HeldSettings held;
    if (v4l2_get_video_fmt(fd, &pixfmt, &w, &h) == 0)
        held.size = std::to_string(w) + "x" + std::to_string(h);
    if (v4l2_get_fps(fd, &fps) == 0)
        held.framerate = std::to_string(fps);
    unsigned encoder_fps = 0;
    if (uvc_get_h264_resolution(unit, fd, &w, &h) == 0)
        held.encoder_size = std::to_string(w) + "x" + std::to_string(h);
    if (uvc_get_h264_framerate(unit, fd, &encoder_fps) == 0)
        held.encoder_framerate = std::to_string(encoder_fps);
    if (uvc_get_h264_profile(unit, fd, &profile) == 0)
        held.profile = NameOf(ProfileNames(), ProfileOfCamera(profile));
    if (uvc_get_h264_rate_control_mode(unit, fd, &mode) == 0)
        held.rate_control = NameOf(RateControlNames(), RateControlOfCamera(mode));
    if (uvc_get_h264_bitrate(unit, fd, &bitrate) == 0)
        held.bitrate = std::to_string(bitrate);
    if (uvc_get_h264_iframe_peroid(unit, fd, &period) == 0)
        held.iframe_period = std::to_string(period);
    return held;
}

void ReportSettings(FILE *out, const std::string &prefix, int fd, const OpenSettings &a) {
    const HeldSettings h = ReadSettings(fd, a.unit);
    std::vector<Setting> s = {
        {"size", a.size, h.size},
        {"frame rate", std::to_string(a.framerate), h.framerate},
        {"profile", NameOf(ProfileNames(), a.profile), h.profile},
        {"rate control", NameOf(RateControlNames(), a.rate_control_mode), h.rate_control},
        {"bit rate", std::to_string(a.bitrate), h.bitrate},
        {"I-frame period", std::to_string(a.iframe_period), h.iframe_period},
    };
    auto held = [](const Setting &x) { return x.held.empty() ? std::string("?") : x.held; };
    std::fprintf(
        out, "%sH.264 %s at %s fps, profile %s, rate control %s, bit rate %s, I-frame every %s s\n",
        prefix.c_str(), held(s[0]).c_str(), held(s[1]).c_str(), held(s[2]).c_str(),
        held(s[3]).c_str(), held(s[4]).c_str(), held(s[5]).c_str());
    for (const Setting &x : s) {
        if (x.held.empty())
            std::fprintf(stderr, "orv-camera: warning: cannot read the %s in force\n", x.label);
        else if (x.held != x.asked)
            std::fprintf(stderr, "orv-camera: warning: %s %s asked, the camera took %s\n", x.label,
                         x.asked.c_str(), x.held.c_str());
    }
}

OpenCamera::OpenCamera(const std::string &node, const OpenSettings &s) {
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
    fd_ = open_device(s.unit, node.c_str(), &params, 0, nullptr);
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
