// A build without libavformat: no container output, no push.
#include <unistd.h>

#include "frame_output.h"
#include "stream_push.h"

namespace orvcli {
namespace {

std::string Unavailable(const std::string &name) {
    return "cannot write " + name + ": this orv-camera was built without libavformat";
}

}  // namespace

std::unique_ptr<FrameOutput> OpenContainerOutput(int fd, const std::string &name,
                                                 std::string *why) {
    close(fd);
    *why = Unavailable(name);
    return nullptr;
}

std::unique_ptr<FrameOutput> OpenContainer(const std::string &path, std::string *why) {
    *why = Unavailable(path);
    return nullptr;
}

std::unique_ptr<FrameOutput> OpenPush(const std::string &url, std::string *why, IdrRequest) {
    *why = "cannot push to " + url + ": this orv-camera was built without libavformat";
    return nullptr;
}

}  // namespace orvcli
