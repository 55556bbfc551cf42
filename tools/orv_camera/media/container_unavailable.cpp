// A build without libavformat: no container output.
#include <unistd.h>

#include "frame_output.h"

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

}  // namespace orvcli
