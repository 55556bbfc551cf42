// A camera opened through the device table for one command, and the options that say how.
#pragma once

#include <cstdio>
#include <string>

#include "cli_app.h"

namespace orvcli {

// The settings open_device brings the camera to (the codes the Java side uses), and the H.264
// extension unit.
struct OpenSettings {
    std::string size = "1920x1080";
    int framerate = 30;
    int profile = 1;            // 1 baseline, 2 main, 8 high
    int rate_control_mode = 2;  // 0 constant QP, 1 VBR, 2 CBR
    int bitrate = 1920000;
    int iframe_period = 5;             // seconds
    std::string unit_choice = "auto";  // --unit: "auto" or an id (h264_unit.h)
    int unit = 12;                     // the unit in use: ChooseUnit(unit_choice, node)
};

// --size, --fps, --profile, --rate-control, --bitrate, --iframe-period, --unit.
void AddOpenOptions(Command &cmd, OpenSettings *settings);
// --unit only.
void AddUnitOption(Command &cmd, std::string *unit_choice);

// The profile and rate-control names the options take, mapped to their codes.
const Choices &ProfileNames();
const Choices &RateControlNames();
// The check of a frame size "WxH" given as `name`.
Check SizeCheck(const std::string &name);

// "orv-camera: cannot open NODE: <why>" with exit status kNotFound; the reason is the system's
// (errno text) when the node itself cannot be opened.
int CannotOpen(const std::string &node);

// The settings a camera holds, named as the options name them ("" where one cannot be read).
struct HeldSettings {
    std::string size, framerate, profile, rate_control, bitrate, iframe_period;
    // The size and frame rate the encoder itself holds, which a change while streaming
    // (update_resolution, update_framerate) sets and the V4L2 format does not show.
    std::string encoder_size, encoder_framerate;
};
HeldSettings ReadSettings(int fd, int unit);

// Reads the settings in force on an open camera and says them on one line of `out` ("H.264
// 1280x720 at 30 fps, profile main, ..."), with a warning on standard error for each that
// differs from `asked`.
void ReportSettings(FILE *out, const std::string &prefix, int fd, const OpenSettings &asked);

// open_device on construction, stop_capture (when started) and close_device on destruction.
class OpenCamera {
  public:
    OpenCamera(const std::string &node, const OpenSettings &settings);
    ~OpenCamera();
    OpenCamera(const OpenCamera &) = delete;
    OpenCamera &operator=(const OpenCamera &) = delete;

    // The descriptor open_device returned, or -1 when it refused the node.
    int fd() const { return fd_; }
    // start_capture; true when streaming.
    bool StartCapture();

  private:
    int fd_;
    bool capture_started_ = false;
};

// A node opened with v4l2_open_video for commands addressed by descriptor, which need no
// entry in the device table (and so change none of the camera's settings).
class RawNode {
  public:
    explicit RawNode(const std::string &node);
    ~RawNode();
    RawNode(const RawNode &) = delete;
    RawNode &operator=(const RawNode &) = delete;
    int fd() const { return fd_; }

  private:
    int fd_;
};

}  // namespace orvcli
