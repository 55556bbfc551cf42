// orv-camera: the maker's UVC H.264 cameras from a shell, over libvistara's C API.
#include <android/log.h>

#include <CLI/CLI.hpp>

#include "cli_common.h"
#include "commands.h"

int main(int argc, char **argv) {
    CLI::App app{
        "orv-camera: list, query, configure and capture from the maker's USB H.264 "
        "cameras",
        "orv-camera"};
    app.require_subcommand(1);
    app.footer(
        "Exit status: 0 done, 1 the camera or the system refused, 2 wrong command line, "
        "3 no such camera, node or USB device.");
    bool verbose = false;
    app.add_flag("-v,--verbose", verbose,
                 "Show the library's log lines (ERROR ones; the property orv.log.level 3 shows "
                 "all, see README)");
    orvcli::Action action;
    orvcli::AddUsbCommands(app, &action);
    orvcli::AddNodeCommands(app, &action);
    orvcli::AddDeviceCommands(app, &action);
    orvcli::AddCaptureCommand(app, &action);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &e) {
        return app.exit(e) == 0 ? orvcli::kOk : orvcli::kUsage;
    }
    // The library logs through liblog, which writes to stderr here: a scan of eight nodes logs
    // every absent one. The tool says what went wrong itself; -v shows the library's lines.
    if (!verbose)
        __android_log_set_minimum_priority(ANDROID_LOG_SILENT);
    return action ? action() : orvcli::kUsage;
}
