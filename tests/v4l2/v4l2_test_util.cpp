#include "v4l2_test_util.h"

#include <android/log.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "orv_log.h"
#include "simcam/simcam.h"

namespace v4l2test {

std::vector<orvtest::LogEntry> V4l2Lines(const orvtest::LogCapture &capture) {
    std::vector<orvtest::LogEntry> out;
    for (const orvtest::LogEntry &e : capture.entries())
        if (e.tag == ORV_TAG_V4L2)
            out.push_back(e);
    return out;
}

orvtest::LogEntry Debug(const std::string &text) {
    return {ANDROID_LOG_DEBUG, ORV_TAG_V4L2, text};
}
orvtest::LogEntry Info(const std::string &text) {
    return {ANDROID_LOG_INFO, ORV_TAG_V4L2, text};
}
orvtest::LogEntry Warn(const std::string &text) {
    return {ANDROID_LOG_WARN, ORV_TAG_V4L2, text};
}
orvtest::LogEntry Error(const std::string &text) {
    return {ANDROID_LOG_ERROR, ORV_TAG_V4L2, text};
}

std::string ErrnoText(int e) {
    return "errno:" + std::to_string(e) + "(" + strerror(e) + ")";
}

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
