// Encoder updates against the simulated camera: skipped, written and read back, refused, and
// compared with the start value when the camera cannot be read.
#include <android/log.h>
#include <errno.h>

#include <string>
#include <vector>

#include "camera_test_util.h"
#include "simcam/simcam.h"

namespace {

using orvtest::LogEntry;
using orvtest::device::Error;
using orvtest::device::Info;
using orvtest::device::Warn;

const char kNode[] = "/dev/video0";

class CameraUpdate : public camtest::CameraTest {
  protected:
    void SetUp() override {
        CameraTest::SetUp();
        fd_ = Open(kNode);
        ASSERT_GT(fd_, 0);
        ClearLog();
    }
    // Extension-unit requests since the last ClearLog(): probes (1) and commits (2).
    std::vector<int> Selectors() {
        std::vector<int> s;
        for (const simcam::TraceEntry &e : simcam::TraceOf(simcam::Call::kXuQuery))
            s.push_back(e.selector);
        return s;
    }
    std::vector<LogEntry> Lines() { return orvtest::DeviceLines(capture_); }
    int fd_ = -1;
};

TEST_F(CameraUpdate, BitrateSkippedWrittenAndRefused) {
    const std::string op = "update_bitrate";
    EXPECT_EQ(0, update_bitrate(12, fd_, 1920000));
    EXPECT_EQ((std::vector<int>{1}), Selectors());
    EXPECT_EQ((std::vector<LogEntry>{
                  Info(op, " update_bitrate:1920000"),
                  Info(op, " get old bitrate: 1920000"),
                  Info(op, " skip update bitrate"),
                  Info(op, " update bitrate ok :1920000"),
              }),
              Lines());

    ClearLog();
    EXPECT_EQ(0, update_bitrate(12, fd_, 3000000));
    EXPECT_EQ((std::vector<int>{1, 2, 1}), Selectors());
    EXPECT_EQ(3000000u, simcam::GetEncoder(kNode).bitrate);
    EXPECT_EQ((std::vector<LogEntry>{
                  Info(op, " update_bitrate:3000000"),
                  Info(op, " get old bitrate: 1920000"),
                  Info(op, " update new bitrate:3000000"),
                  Info(op, " get new bitrate: 3000000"),
                  Info(op, " update bitrate ok :3000000"),
              }),
              Lines());

    // The camera refuses a bit rate of 0.
    ClearLog();
    EXPECT_EQ(-1, update_bitrate(12, fd_, 0));
    EXPECT_EQ(Error(op, " error"), Lines().back());
    EXPECT_EQ(3000000u, simcam::GetEncoder(kNode).bitrate);
}

TEST_F(CameraUpdate, UnreadableCameraComparedWithTheStartValue) {
    simcam::FailXu(kNode, 12, 1, EPIPE);
    EXPECT_EQ(0, update_framerate(12, fd_, 0));
    EXPECT_EQ((std::vector<LogEntry>{
                  Info("update_framerate", " update_framerate: 0"),
                  Warn("update_framerate", " get old framerate fail"),
                  Info("update_framerate", " skip update framerate"),
                  Info("update_framerate", " update new framerate ok : 0 "),
              }),
              Lines());
    ClearLog();
    EXPECT_EQ(0, update_framerate(12, fd_, 25));
    EXPECT_EQ((std::vector<int>{1, 2, 1}), Selectors());
    EXPECT_EQ(400000u, simcam::GetEncoder(kNode).frame_interval);

    ClearLog();
    EXPECT_EQ(0, update_iframe_period(12, fd_, -1));
    EXPECT_EQ((std::vector<LogEntry>{
                  Info("update_iframe_period", ""),
                  Warn("update_iframe_period", " get old period fail"),
                  Info("update_iframe_period", " skip update period"),
                  Info("update_iframe_period", " update peroid ok:-1"),
              }),
              Lines());
    ClearLog();
    EXPECT_EQ(0, update_iframe_period(12, fd_, 0));
    EXPECT_EQ((std::vector<LogEntry>{
                  Info("update_iframe_period", ""),
                  Warn("update_iframe_period", " get old period fail"),
                  Info("update_iframe_period", " update new period:0"),
                  Warn("update_iframe_period", " get new period fail"),
                  Info("update_iframe_period", " update peroid ok:0"),
              }),
              Lines());
    EXPECT_EQ(0, simcam::GetEncoder(kNode).iframe_period);
}

TEST_F(CameraUpdate, ProfileAndRateControlCodesConverted) {
    const std::string op = "update_profile";
    EXPECT_EQ(0, update_profile(12, fd_, 2));
    EXPECT_EQ(0x4D00, simcam::GetEncoder(kNode).profile);
    ClearLog();
    EXPECT_EQ(0, update_profile(12, fd_, 2));
    EXPECT_EQ((std::vector<int>{1}), Selectors());
    ClearLog();
    EXPECT_EQ(0, update_profile(12, fd_, 8));
    EXPECT_EQ((std::vector<LogEntry>{
                  Info(op, " update_profile:8"),
                  Info("convert_profile", " 8 to 0x6400:UVCX_H264_wProfile_HIGHPROFILE"),
                  Info(op, " get old profile: 19712"),
                  Info(op, " update new profile:25600"),
                  Info(op, " get new profile: 25600"),
                  Info(op, " update profile ok :0x6400"),
              }),
              Lines());

    const std::string rc = "update_rate_control_mode";
    ClearLog();
    EXPECT_EQ(0, update_rate_control_mode(12, fd_, 0));
    EXPECT_EQ(3, simcam::GetEncoder(kNode).rate_control);
    EXPECT_EQ((std::vector<LogEntry>{
                  Info(rc, " update_rate_control_mode : 0 "),
                  Info("convert_rate_control_mode", " 0 to 0x3"),
                  Info(rc, " get old rate_control_mode: 1"),
                  Info(rc, " update new rate_control_mode:3"),
                  Info(rc, " get old rate_control_mode: 3"),
                  Info(rc, " update rate_control_mode ok :3"),
              }),
              Lines());
    EXPECT_EQ(0, update_rate_control_mode(12, fd_, 2));
    EXPECT_EQ(1, simcam::GetEncoder(kNode).rate_control);

    // A code outside the table is sent as -1, which the camera refuses.
    ClearLog();
    EXPECT_EQ(-1, update_rate_control_mode(12, fd_, 3));
    EXPECT_EQ(Error(rc, " update new rate_control_mode error"), Lines().back());
}

TEST_F(CameraUpdate, ResolutionWrittenFirst) {
    const std::string op = "update_resolution";
    EXPECT_EQ(0, update_resolution(12, fd_, 1920, 1080));
    EXPECT_EQ((std::vector<int>{2, 1}), Selectors());
    EXPECT_EQ((std::vector<LogEntry>{
                  Info(op, " update_resolution: 1920x1080"),
                  Info(op, " get old resolution: 1920x1080"),
                  Info(op, " skip update resolution: 1920x1080"),
                  Info(op, " update new resolution ok : 1920x1080 "),
              }),
              Lines());

    // Unreadable: 0x0 is compared, so the request goes out twice.
    simcam::FailXu(kNode, 12, 1, EPIPE);
    ClearLog();
    EXPECT_EQ(0, update_resolution(12, fd_, 1280, 720));
    EXPECT_EQ((std::vector<int>{2, 1, 2, 1}), Selectors());
    EXPECT_EQ((std::vector<LogEntry>{
                  Info(op, " update_resolution: 1280x720"),
                  Warn(op, " get old resolution fail"),
                  Info(op, " update new resolution: 1280x720d"),
                  Warn(op, " get new resolution fail"),
                  Info(op, " update new resolution ok : 1280x720 "),
              }),
              Lines());
    EXPECT_EQ(1280, simcam::GetEncoder(kNode).width);

    ClearLog();
    EXPECT_EQ(-1, update_resolution(12, fd_, 1000, 1000));  // no such size
    EXPECT_EQ(Error(op, " error"), Lines().back());
}

TEST_F(CameraUpdate, ClosedDescriptorRefusedWithoutRequests) {
    close_device(fd_);
    Forget(fd_);
    ClearLog();
    EXPECT_EQ(-1, update_resolution(12, fd_, 1280, 720));
    EXPECT_EQ(-1, update_framerate(12, fd_, 15));
    EXPECT_EQ(-1, update_bitrate(12, fd_, 1));
    EXPECT_EQ(-1, update_iframe_period(12, fd_, 2));
    EXPECT_EQ(-1, update_profile(12, fd_, 2));
    EXPECT_EQ(-1, update_rate_control_mode(12, fd_, 1));
    EXPECT_EQ(-1, update_bitrate(12, 0, 1));
    EXPECT_TRUE(simcam::Trace().empty());
    EXPECT_EQ(7u, Lines().size());  // the request lines only
}

}  // namespace
