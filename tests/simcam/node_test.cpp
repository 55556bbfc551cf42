// Opening and identifying the simulated nodes.
#include <errno.h>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstring>

#include <gtest/gtest.h>

#include "simcam/simcam.h"

namespace {

class Node : public ::testing::Test {
  protected:
    void SetUp() override { simcam::LoadDefaultConfig(); }
};

TEST_F(Node, OpensConfiguredNodeAndAnswersQueryCap) {
    const int fd = open("/dev/video0", O_RDWR | O_NONBLOCK);
    ASSERT_GT(fd, 0) << strerror(errno);
    struct v4l2_capability cap = {};
    ASSERT_EQ(0, ioctl(fd, VIDIOC_QUERYCAP, &cap));
    EXPECT_STREQ("uvcvideo", reinterpret_cast<const char *>(cap.driver));
    EXPECT_STREQ("ORV USB Camera", reinterpret_cast<const char *>(cap.card));
    EXPECT_EQ(static_cast<uint32_t>(V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING |
                                    V4L2_CAP_EXT_PIX_FORMAT),
              cap.device_caps);
    EXPECT_EQ(0, close(fd));

    const auto trace = simcam::Trace();
    ASSERT_EQ(3u, trace.size());
    EXPECT_EQ(simcam::Call::kOpen, trace[0].call);
    EXPECT_EQ(O_RDWR | O_NONBLOCK, trace[0].flags);
    EXPECT_EQ(simcam::Call::kQueryCap, trace[1].call);
    EXPECT_EQ(simcam::Call::kClose, trace[2].call);
    EXPECT_EQ("QUERYCAP /dev/video0 -> 0", trace[1].Text());
}

TEST_F(Node, UnconfiguredNodeIsMissingAndOpenFaultsGiveTheirErrno) {
    errno = 0;
    EXPECT_EQ(-1, open("/dev/video1", O_RDWR));
    EXPECT_EQ(ENOENT, errno);
    for (int err : {EACCES, EBUSY, ENOENT}) {
        simcam::FailOpen("/dev/video0", err);
        errno = 0;
        EXPECT_EQ(-1, open("/dev/video0", O_RDWR));
        EXPECT_EQ(err, errno);
    }
    simcam::FailOpen("/dev/video0", 0);
    const int fd = open("/dev/video0", O_RDWR);
    EXPECT_GT(fd, 0);
    close(fd);
}

}  // namespace
