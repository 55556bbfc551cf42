// Commands on one camera: set (open it with settings), iframe, ptz.
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "camera_discovery.h"
#include "cli_common.h"
#include "commands.h"
#include "h264_unit.h"
#include "open_camera.h"

namespace orvcli {
namespace {

int CannotOpen(const std::string &node) {
    return Fail(kNotFound, "cannot open " + node +
                               " (missing, busy, another maker's camera, or no permission)");
}

int Set(const std::string &node, const OpenSettings &settings) {
    OpenCamera camera(node, settings, ChooseUnit(settings.unit, node));
    if (camera.fd() < 0)
        return CannotOpen(node);
    std::printf("%s set to H.264 %s at %d fps, bit rate %d, I-frame every %d s\n", node.c_str(),
                settings.size.c_str(), settings.framerate, settings.bitrate,
                settings.iframe_period);
    return kOk;
}

int IFrame(const std::string &node, const std::string &unit) {
    RawNode raw(node);
    if (raw.fd() <= 0)
        return CannotOpen(node);
    if (send_uvc_command(ChooseUnit(unit, node), raw.fd(), 0) != 0)
        return Fail(kFailed, "the I-frame request was refused by " + node);
    std::printf("I-frame requested\n");
    return kOk;
}

// PTZ axes and the movement code that starts each (the second code of a pair does the same).
const std::map<std::string, unsigned> kAxes = {{"pan", 0}, {"tilt", 2}, {"zoom", 4}};

struct PtzOptions {
    std::string node = "/dev/video0";
    unsigned movement = 0;
    int speed = 0;
};

int Ptz(const PtzOptions &o) {
    RawNode raw(o.node);
    if (raw.fd() <= 0)
        return CannotOpen(o.node);
    const int r =
        o.speed == 0 ? stop_ptz(raw.fd(), o.movement) : start_ptz(raw.fd(), o.movement, o.speed);
    if (r != 0)
        return Fail(kFailed, "the camera refused the movement (see the lines above)");
    std::printf(o.speed == 0 ? "stopped\n" : "moving at speed %d\n", o.speed);
    return kOk;
}

}  // namespace

void AddDeviceCommands(CLI::App &app, Action *action) {
    auto set_node = std::make_shared<std::string>("/dev/video0");
    auto settings = std::make_shared<OpenSettings>();
    CLI::App *set = app.add_subcommand(
        "set", "Open a camera with these settings (format, frame rate and encoder) and close it");
    set->add_option("-d,--device", *set_node, "Video node")->capture_default_str();
    AddOpenOptions(set, settings.get());
    set->callback(
        [action, set_node, settings] { *action = [=] { return Set(*set_node, *settings); }; });

    auto iframe_node = std::make_shared<std::string>("/dev/video0");
    auto unit = std::make_shared<std::string>("auto");
    CLI::App *iframe = app.add_subcommand("iframe", "Ask the encoder for an I-frame now");
    iframe->add_option("-d,--device", *iframe_node, "Video node")->capture_default_str();
    AddUnitOption(iframe, unit.get());
    iframe->callback(
        [action, iframe_node, unit] { *action = [=] { return IFrame(*iframe_node, *unit); }; });

    auto ptz = std::make_shared<PtzOptions>();
    CLI::App *ptz_cmd = app.add_subcommand(
        "ptz", "Start (speed not 0) or stop (speed 0) a pan, tilt or zoom movement");
    ptz_cmd->add_option("-d,--device", ptz->node, "Video node")->capture_default_str();
    ptz_cmd->add_option("axis", ptz->movement, "pan, tilt or zoom")
        ->required()
        ->transform(CLI::CheckedTransformer(kAxes));
    ptz_cmd
        ->add_option("speed", ptz->speed,
                     "Speed; its sign is the direction (pan +right, tilt +up, zoom +in), 0 stops")
        ->required();
    ptz_cmd->callback([action, ptz] { *action = [=] { return Ptz(*ptz); }; });
}

}  // namespace orvcli
