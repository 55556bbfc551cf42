// The subcommands of orv-camera. Each Add* declares its subcommands on `cli` with what each
// runs, which returns its exit code (cli_common.h).
#pragma once

#include "cli_common.h"

namespace orvcli {

// list, usb, firmware, reset, version
void AddUsbCommands(Cli &cli);
// formats, osd, hdmi
void AddNodeCommands(Cli &cli);
// set, iframe, ptz
void AddDeviceCommands(Cli &cli);
// capture
void AddCaptureCommand(Cli &cli);
// console (the browser console; console/)
void AddConsoleCommand(Cli &cli);
// serve (RTSP; serve/)
void AddServeCommand(Cli &cli);

}  // namespace orvcli
