// Opening and closing a node, its identity line, and the brightness control.
#include <android/log.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>

#include "simcam/simcam.h"
#include "v4l2/v4l2_device.h"
#include "v4l2_test_util.h"

namespace {

using orvtest::ErrnoText;
using orvtest::LogEntry;
using orvtest::v4l2::Error;
using orvtest::v4l2::Info;
using v4l2test::kNode;

class Node : public v4l2test::NodeTest {};

TEST_F(Node, OpenGivesANonBlockingReadWriteDescriptorAndCloseGivesItBack) {
    const int fd = v4l2_open_video(kNode);
    ASSERT_GT(fd, 0);
    const auto opens = simcam::TraceOf(simcam::Call::kOpen);
    ASSERT_EQ(1u, opens.size());
    EXPECT_EQ(O_RDWR | O_NONBLOCK, opens[0].flags);
    EXPECT_EQ(0x802, opens[0].flags);
    EXPECT_EQ((std::vector<LogEntry>{
                  Info("open ok, v4l2_open_video: dev:/dev/video0 fd:" + std::to_string(fd))}),
              Lines());

    EXPECT_EQ(0, v4l2_close_video(fd));
    const auto closes = simcam::TraceOf(simcam::Call::kClose);
    ASSERT_EQ(1u, closes.size());
    EXPECT_EQ(fd, closes[0].fd);
    EXPECT_EQ(-1, fcntl(fd, F_GETFD));
}

TEST_F(Node, OpenRefusalsAndCloseOfNoDescriptor) {
    EXPECT_EQ(-1, v4l2_open_video(nullptr));
    EXPECT_TRUE(Lines().empty());

    EXPECT_EQ(-1, v4l2_open_video("/dev/video5"));
    simcam::FailOpen(kNode, EBUSY);
    EXPECT_EQ(-1, v4l2_open_video(kNode));
    EXPECT_EQ(
        (std::vector<LogEntry>{Error("open error, fd:-1 dev:/dev/video5, " + ErrnoText(ENOENT)),
                               Error("open error, fd:-1 dev:/dev/video0, " + ErrnoText(EBUSY))}),
        Lines());

    simcam::ClearTrace();
    EXPECT_EQ(0, v4l2_close_video(0));
    EXPECT_EQ(-3, v4l2_close_video(-3));
    EXPECT_TRUE(simcam::TraceOf(simcam::Call::kClose).empty());
    EXPECT_NE(-1, fcntl(0, F_GETFD));  // descriptor 0 left open
}

// With standard input closed the node comes back as descriptor 0, which callers take for "no
// device": it is refused and closed rather than leaked.
TEST_F(Node, DescriptorZeroIsRefusedAndClosed) {
    const int saved_stdin = dup(0);
    ASSERT_GE(saved_stdin, 0);
    close(0);
    const int fd = v4l2_open_video(kNode);
    const bool zero_closed = fcntl(0, F_GETFD) == -1 && errno == EBADF;
    dup2(saved_stdin, 0);
    close(saved_stdin);

    EXPECT_EQ(-1, fd);
    EXPECT_TRUE(zero_closed);
    const auto closes = simcam::TraceOf(simcam::Call::kClose);
    ASSERT_EQ(1u, closes.size());
    EXPECT_EQ(0, closes[0].fd);
    const auto lines = Lines();
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(ANDROID_LOG_ERROR, lines[0].priority);
    EXPECT_EQ(0u, lines[0].text.rfind("open error, fd:0 dev:/dev/video0, errno:", 0))
        << lines[0].text;
}

TEST_F(Node, CapabilityLineAndSilentFailure) {
    v4l2_get_video_cap(fd_);
    simcam::FailCall(kNode, simcam::Call::kQueryCap, EIO, 1);
    v4l2_get_video_cap(fd_);
    EXPECT_EQ((std::vector<LogEntry>{Info("v4l2_get_video_cap: " + FdText() +
                                          " driver:uvcvideo card:ORV USB Camera "
                                          "bus:usb-0000:00:14.0-1 version:393472")}),
              Lines());
    EXPECT_EQ(2u, simcam::TraceOf(simcam::Call::kQueryCap).size());
}

TEST_F(Node, BrightnessIsWrittenAndReadBack) {
    EXPECT_EQ(0, v4l2_set_brightness(fd_, 10));
    int value = -100;
    EXPECT_EQ(0, v4l2_get_brightness(fd_, &value));
    EXPECT_EQ(10, value);
    const auto sets = simcam::TraceOf(simcam::Call::kSetCtrl);
    ASSERT_EQ(1u, sets.size());
    EXPECT_EQ(0x00980900u, sets[0].id);
    EXPECT_EQ(10, sets[0].value);
    EXPECT_EQ((std::vector<LogEntry>{
                  Info("v4l2_set_brightness = 10\n"),
                  Info("Brightness     : id=00980900, type=1, minimum=-64, maximum=64\n"
                       "\t\t value = 10, step=1, default_value=0\n")}),
              Lines());
}

TEST_F(Node, BrightnessFailuresLeaveTheOutput) {
    simcam::FailControl(kNode, 0x00980900, EIO);
    EXPECT_EQ(-1, v4l2_set_brightness(fd_, 5));
    int value = 77;
    EXPECT_EQ(0, v4l2_get_brightness(fd_, &value));
    EXPECT_EQ(77, value);
    EXPECT_EQ((std::vector<LogEntry>{Info("v4l2_set_brightness = 5\n"),
                                     Error("VIDIOC_G_CTRL failed, " + ErrnoText(EIO))}),
              Lines());

    // A camera without the control: nothing read, nothing logged.
    Open(v4l2test::DefaultConfigWith(
        R"({"id": "0x00980900", "name": "Brightness", "type": "integer", "min": -64, "max": 64, "step": 1, "default": 0},)",
        ""));
    EXPECT_EQ(0, v4l2_get_brightness(fd_, &value));
    EXPECT_EQ(77, value);
    EXPECT_TRUE(simcam::TraceOf(simcam::Call::kGetCtrl).empty());
    EXPECT_TRUE(Lines().empty());
}

}  // namespace
