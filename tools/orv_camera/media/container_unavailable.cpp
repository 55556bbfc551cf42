// A build without libavformat: no container output, no push.
#include "frame_output.h"
#include "stream_push.h"

namespace orvcli {

std::unique_ptr<FrameOutput> OpenContainer(const std::string &path, std::string *why) {
    *why = "cannot write " + path + ": this orv-camera was built without libavformat";
    return nullptr;
}

std::unique_ptr<FrameOutput> OpenPush(const std::string &url, std::string *why) {
    *why = "cannot push to " + url + ": this orv-camera was built without libavformat";
    return nullptr;
}

}  // namespace orvcli
