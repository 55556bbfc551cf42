// orv-camera: the maker's UVC H.264 cameras from a shell, over libvistara's C API.
#include <string>

#include "camera_discovery.h"
#include "cli_app.h"
#include "cli_common.h"
#include "commands.h"
#include "library_logs.h"

int main(int argc, char **argv) {
    orvcli::Cli cli("orv-camera",
                    "orv-camera: list, query, configure and capture from the maker's USB H.264 "
                    "cameras",
                    "Exit status: 0 done, 1 the camera or the system refused, 2 wrong command "
                    "line, 3 no such camera, node or USB device, 130 capture interrupted (the "
                    "file is complete up to the last frame).");
    cli.Version(std::string("orv-camera ") + ORV_VERSION + ", libvistara " + get_sdk_version());
    orvcli::AddUsbCommands(cli);
    orvcli::AddNodeCommands(cli);
    orvcli::AddDeviceCommands(cli);
    orvcli::AddCaptureCommand(cli);
    orvcli::AddConsoleCommand(cli);
    orvcli::AddServeCommand(cli);
    // A scan of eight nodes logs every absent one: -v shows those lines.
    return orvtool::RunWithLibraryLogs(cli, argc, argv,
                                       "Show the library's log lines (ERROR ones; the property "
                                       "orv.log.level 3 shows all, see README); before or after "
                                       "the command");
}
