// A camera opened through the device table for one command, and the options that say how.
#pragma once

#include <cstdio>
#include <string>

#include "cli_common.h"
#include "encoder_settings.h"

namespace orvcli {

// The settings open_device brings the camera to, and the H.264 extension unit.
struct OpenSettings {
    EncoderSettings encoder;
    std::string unit_choice = "auto";  // --unit: "auto" or an id (h264_unit.h)
    int unit = 12;                     // the unit in use: ChooseUnit(unit_choice, node)
};

// One option per encoder setting (encoder_settings.h), and --unit.
void AddOpenOptions(Command &cmd, OpenSettings *settings);
// --unit only.
void AddUnitOption(Command &cmd, std::string *unit_choice);

// `failure` with exit status `code` when the node opens, else "orv-camera: cannot open NODE:
// <the system's reason>" with exit status kNotFound.
int NodeFailure(const std::string &node, const std::string &failure, int code = kFailed);
// The same, kNotFound either way, when the library would not open the node.
int CannotOpen(const std::string &node);

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
