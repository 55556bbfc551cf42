// A camera opened through the device table for one command, and the options that say how.
#pragma once

#include <string>

namespace CLI {
class App;
}

namespace orvcli {

// The settings open_device brings the camera to (the codes the Java side uses), and the H.264
// extension unit.
struct OpenSettings {
    std::string size = "1920x1080";
    int framerate = 30;
    int profile = 1;            // 1 baseline, 2 main, 8 high
    int rate_control_mode = 2;  // 0 constant QP, 1 VBR, 2 CBR
    int bitrate = 1920000;
    int iframe_period = 5;      // seconds
    std::string unit = "auto";  // --unit: "auto" or an id (h264_unit.h)
};

// --size, --fps, --profile, --rate-control, --bitrate, --iframe-period, --unit.
void AddOpenOptions(CLI::App *cmd, OpenSettings *settings);
// --unit only.
void AddUnitOption(CLI::App *cmd, std::string *unit);

// The profile and rate-control names the options take, mapped to their codes.
int ProfileCode(const std::string &name);      // -1 for an unknown name
int RateControlCode(const std::string &name);  // -1 for an unknown name

// open_device on construction, stop_capture (when started) and close_device on destruction.
class OpenCamera {
  public:
    // `unit`: the H.264 unit ChooseUnit gave for settings.unit.
    OpenCamera(const std::string &node, const OpenSettings &settings, int unit);
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
