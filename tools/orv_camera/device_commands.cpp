// Commands on one camera: set (open it with settings), iframe, ptz.
#include <climits>
#include <cstdio>
#include <memory>
#include <string>

#include "camera_discovery.h"
#include "cli_common.h"
#include "commands.h"
#include "h264_unit.h"
#include "open_camera.h"
#include "ptz_axes.h"

namespace orvcli {
namespace {

int Set(const std::string &node, OpenSettings settings) {
    settings.unit = ChooseUnit(settings.unit_choice, node);
    OpenCamera camera(node, settings);
    if (camera.fd() < 0)
        return CannotOpen(node);
    ReportSettings(stdout, node + " set to ", ReadSettings(camera.fd(), settings.unit),
                   settings.encoder);
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

struct PtzOptions {
    std::string node;
    std::string axis;
    int speed = 0;
};

int Ptz(const PtzOptions &o) {
    RawNode raw(o.node);
    if (raw.fd() <= 0)
        return CannotOpen(o.node);
    const std::string why = MovePtz(raw.fd(), *FindPtzAxis(o.axis), o.speed);
    if (!why.empty())
        return Fail(kFailed, o.node + ": " + why);
    std::printf(o.speed == 0 ? "stopped\n" : "moving at speed %d\n", o.speed);
    return kOk;
}

}  // namespace

void AddDeviceCommands(Cli &cli) {
    auto set_node = std::make_shared<std::string>();
    auto settings = std::make_shared<OpenSettings>();
    Command set =
        cli.Add("set",
                "Open a camera with these settings (format, frame rate and encoder), say the "
                "settings in force, and close it");
    AddNodeOption(set, set_node.get());
    AddOpenOptions(set, settings.get());
    set.Runs([set_node, settings] { return Set(*set_node, *settings); });

    auto iframe_node = std::make_shared<std::string>();
    auto unit = std::make_shared<std::string>("auto");
    Command iframe = cli.Add("iframe", "Ask the encoder for an I-frame now");
    AddNodeOption(iframe, iframe_node.get());
    AddUnitOption(iframe, unit.get());
    iframe.Runs([iframe_node, unit] { return IFrame(*iframe_node, *unit); });

    auto ptz = std::make_shared<PtzOptions>();
    Command ptz_cmd =
        cli.Add("ptz", "Start (speed not 0) or stop (speed 0) a pan, tilt or zoom movement");
    AddNodeOption(ptz_cmd, &ptz->node);
    ptz_cmd
        .Text("axis", &ptz->axis, PtzAxisNames(),
              [](const std::string &text) {
                  return FindPtzAxis(text)
                             ? std::string()
                             : "axis must be one of " + PtzAxisNames() + ", not '" + text + "'";
              })
        .Required()
        .Int("speed", &ptz->speed,
             "Speed within the camera's range; its sign is the direction (pan +right, tilt +up, "
             "zoom +in), 0 stops",
             INT_MIN)
        .Required()
        .Runs([ptz] { return Ptz(*ptz); });
}

}  // namespace orvcli
