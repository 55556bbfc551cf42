// A build without libavformat and cpp-httplib: no console, and no container output.
#include <unistd.h>

#include "cli_common.h"
#include "commands.h"
#include "media/frame_output.h"

namespace orvcli {

std::unique_ptr<FrameOutput> OpenContainer(int fd, const std::string &name, std::string *why) {
    close(fd);
    *why = "cannot write " + name + ": this orv-camera was built without libavformat";
    return nullptr;
}

void AddConsoleCommand(Cli &cli) {
    cli.Add("console",
            "The browser console (not in this build: it needs cpp-httplib and "
            "libavformat)")
        .Runs([] { return Fail(kFailed, "this orv-camera was built without the console"); });
}

}  // namespace orvcli
