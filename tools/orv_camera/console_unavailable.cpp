// A build without libavformat and cpp-httplib: no console, and no container output.
#include "cli_common.h"
#include "commands.h"
#include "media/frame_output.h"
#include "media/stream_push.h"

namespace orvcli {

bool IsContainerPath(const std::string &path) {
    const size_t dot = path.rfind('.');
    const std::string ext = dot == std::string::npos ? "" : path.substr(dot);
    return ext == ".mp4" || ext == ".mkv" || ext == ".MP4" || ext == ".MKV";
}

std::unique_ptr<FrameOutput> OpenContainer(const std::string &path, std::string *why) {
    *why = "cannot write " + path + ": this orv-camera was built without libavformat";
    return nullptr;
}

bool IsPushUrl(const std::string &output) {
    return output.rfind("rtsp://", 0) == 0 || output.rfind("srt://", 0) == 0 ||
           output.rfind("rtmp://", 0) == 0;
}

std::unique_ptr<FrameOutput> OpenPush(const std::string &url, std::string *why) {
    *why = "cannot push to " + url + ": this orv-camera was built without libavformat";
    return nullptr;
}

void AddConsoleCommand(Cli &cli) {
    cli.Add("console",
            "The browser console (not in this build: it needs cpp-httplib and "
            "libavformat)")
        .Runs([] { return Fail(kFailed, "this orv-camera was built without the console"); });
}

}  // namespace orvcli
