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

namespace orvcli {
namespace {

int Set(const std::string &node, OpenSettings settings) {
    settings.unit = ChooseUnit(settings.unit_choice, node);
    OpenCamera camera(node, settings);
    if (camera.fd() < 0)
        return CannotOpen(node);
    ReportSettings(stdout, node + " set to ", camera.fd(), settings);
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
const Choices kAxes = {{"pan", 0}, {"tilt", 2}, {"zoom", 4}};

struct PtzOptions {
    std::string node = "/dev/video0";
    int movement = 0;
    int speed = 0;
};

int Ptz(const PtzOptions &o) {
    RawNode raw(o.node);
    if (raw.fd() <= 0)
        return CannotOpen(o.node);
    const int r = o.speed == 0 ? stop_ptz(raw.fd(), static_cast<unsigned>(o.movement))
                               : start_ptz(raw.fd(), static_cast<unsigned>(o.movement), o.speed);
    if (r != 0)
        return Fail(kFailed, "the camera refused the movement (see the lines above)");
    std::printf(o.speed == 0 ? "stopped\n" : "moving at speed %d\n", o.speed);
    return kOk;
}

}  // namespace

void AddDeviceCommands(Cli &cli) {
    auto set_node = std::make_shared<std::string>("/dev/video0");
    auto settings = std::make_shared<OpenSettings>();
    Command set =
        cli.Add("set",
                "Open a camera with these settings (format, frame rate and encoder), say the "
                "settings in force, and close it");
    set.Text("-d,--device", set_node.get(), "Video node").ShowDefault(*set_node);
    AddOpenOptions(set, settings.get());
    set.Runs([set_node, settings] { return Set(*set_node, *settings); });

    auto iframe_node = std::make_shared<std::string>("/dev/video0");
    auto unit = std::make_shared<std::string>("auto");
    Command iframe = cli.Add("iframe", "Ask the encoder for an I-frame now");
    iframe.Text("-d,--device", iframe_node.get(), "Video node").ShowDefault(*iframe_node);
    AddUnitOption(iframe, unit.get());
    iframe.Runs([iframe_node, unit] { return IFrame(*iframe_node, *unit); });

    auto ptz = std::make_shared<PtzOptions>();
    cli.Add("ptz", "Start (speed not 0) or stop (speed 0) a pan, tilt or zoom movement")
        .Text("-d,--device", &ptz->node, "Video node")
        .ShowDefault(ptz->node)
        .Choice("axis", &ptz->movement, kAxes, "pan, tilt or zoom")
        .Required()
        .Int("speed", &ptz->speed,
             "Speed; its sign is the direction (pan +right, tilt +up, zoom +in), 0 stops", INT_MIN)
        .Required()
        .Runs([ptz] { return Ptz(*ptz); });
}

}  // namespace orvcli
