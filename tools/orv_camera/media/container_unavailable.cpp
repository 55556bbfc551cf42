// A build without libavformat: no container output.
#include "frame_output.h"

namespace orvcli {

std::unique_ptr<FrameOutput> OpenContainer(const std::string &path, std::string *why) {
    *why = "cannot write " + path + ": this orv-camera was built without libavformat";
    return nullptr;
}

}  // namespace orvcli
