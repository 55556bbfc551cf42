// orv-camera: the maker's UVC H.264 cameras from a shell, over libvistara's C API.
#include <android/log.h>

#include <string>

#include "camera_discovery.h"
#include "cli_app.h"
#include "cli_common.h"
#include "commands.h"

int main(int argc, char **argv) {
    orvcli::Cli cli("orv-camera",
                    "orv-camera: list, query, configure and capture from the maker's USB H.264 "
                    "cameras",
                    "Exit status: 0 done, 1 the camera or the system refused, 2 wrong command "
                    "line, 3 no such camera, node or USB device, 130 capture interrupted (the "
                    "file is complete up to the last frame).");
    cli.Version(std::string("orv-camera ") + ORV_VERSION + ", libvistara " + get_sdk_version());
    bool verbose = false;
    cli.Global().Flag("-v,--verbose", &verbose,
                      "Show the library's log lines (ERROR ones; the property orv.log.level 3 "
                      "shows all, see README); before or after the command");
    orvcli::AddUsbCommands(cli);
    orvcli::AddNodeCommands(cli);
    orvcli::AddDeviceCommands(cli);
    orvcli::AddCaptureCommand(cli);
    orvcli::AddConsoleCommand(cli);
    orvcli::AddServeCommand(cli);
    return cli.Run(argc, argv, [&verbose] {
        // The library logs through liblog, which writes to stderr here: a scan of eight nodes
        // logs every absent one. The tool says what went wrong itself; -v shows the library's
        // lines.
        if (!verbose)
            __android_log_set_minimum_priority(ANDROID_LOG_SILENT);
    });
}
