// A build without cpp-httplib and nlohmann-json (or with ORV_TOOL_CONSOLE off): no console.
#include "cli_common.h"
#include "commands.h"

namespace orvcli {

void AddConsoleCommand(Cli &cli) {
    cli.Add("console",
            "The browser console (not in this build: it needs cpp-httplib and nlohmann-json)")
        .Runs([] { return Fail(kFailed, "this orv-camera was built without the console"); });
}

}  // namespace orvcli
