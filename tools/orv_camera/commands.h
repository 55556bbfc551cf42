// The subcommands of orv-camera. Each Add* registers its subcommands on `app`; when the command
// line names one, parsing stores in *action the run of that command, which returns its exit
// code (cli_common.h).
#pragma once

#include <functional>

namespace CLI {
class App;
}

namespace orvcli {

using Action = std::function<int()>;

// list, usb, firmware, reset, version
void AddUsbCommands(CLI::App &app, Action *action);
// formats, osd, hdmi
void AddNodeCommands(CLI::App &app, Action *action);
// set, iframe, ptz
void AddDeviceCommands(CLI::App &app, Action *action);
// capture
void AddCaptureCommand(CLI::App &app, Action *action);

}  // namespace orvcli
