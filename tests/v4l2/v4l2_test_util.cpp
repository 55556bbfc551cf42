#include "v4l2_test_util.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "simcam/simcam.h"

namespace v4l2test {

std::string CameraConfig(const std::string &formats, const std::string &controls) {
    return R"({"nodes": [{"path": "/dev/video0", "clock": "stepped", "formats": )" + formats +
           R"(, "controls": )" + controls + "}]}";
}

void NodeTest::SetUp() {
    Open(simcam::DefaultConfigText());
}

void NodeTest::TearDown() {
    if (fd_ > 0)
        close(fd_);
}

void NodeTest::Open(const std::string &config) {
    if (fd_ > 0)
        close(fd_);
    simcam::LoadConfigText(config);
    simcam::SetClock(kNode, simcam::Clock::kStepped);
    fd_ = open(kNode, O_RDWR | O_NONBLOCK);
    ASSERT_GT(fd_, 0) << strerror(errno);
    simcam::ClearTrace();
    capture_.clear();
}

}  // namespace v4l2test
