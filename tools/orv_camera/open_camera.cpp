#include "open_camera.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "camera_device.h"
#include "h264_unit.h"
#include "v4l2/v4l2_device.h"

namespace orvcli {
namespace {

// The device table's lock is set up once per process, before the first open.
void InitTableOnce() {
    static const int init = init_camera_device();
    (void)init;
}

}  // namespace

void AddUnitOption(Command &cmd, std::string *unit_choice) {
    cmd.Text("--unit", unit_choice,
             "H.264 extension unit id, or auto: the one the USB descriptors of the camera "
             "describe (12 when none)",
             CheckUnitText)
        .ShowDefault(*unit_choice);
}

void AddOpenOptions(Command &cmd, OpenSettings *s) {
    for (const SettingRow &row : SettingRows()) {
        const std::string option = row.option;
        SettingValue *value = &s->encoder[row];
        const char *const kTypes[] = {"INT", "WxH", "NAME"};
        cmd.Value(
               option, std::string(row.help) + " (" + SettingBounds(row) + ")",
               [&row, option, value](const std::string &text) {
                   const std::string why = ParseSettingText(row, text, value);
                   return why.empty() ? why : option + " " + why;
               },
               kTypes[static_cast<int>(row.kind)])
            .ShowDefault(FormatSetting(row, *value));
    }
    AddUnitOption(cmd, &s->unit_choice);
}

int NodeFailure(const std::string &node, const std::string &failure, int code) {
    const int fd = open(node.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return Fail(kNotFound, "cannot open " + node + ": " + std::strerror(errno));
    close(fd);
    return Fail(code, failure);
}

int CannotOpen(const std::string &node) {
    return NodeFailure(node,
                       "cannot open " + node +
                           ": not a camera of the maker, already open, or busy (-v says "
                           "more)",
                       kNotFound);
}

OpenCamera::OpenCamera(const std::string &node, const OpenSettings &s) {
    InitTableOnce();
    const CameraParams params = s.encoder.Params();
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
