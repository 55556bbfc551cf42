// A build without GStreamer's RTSP server: serve says so.
#include "cli_common.h"
#include "commands.h"

namespace orvcli {

void AddServeCommand(Cli &cli) {
    cli.Add("serve",
            "Serve the camera over RTSP (not in this build: it needs GStreamer's RTSP "
            "server library)")
        .Runs([] { return Fail(kFailed, "this orv-camera was built without serve"); });
}

}  // namespace orvcli
