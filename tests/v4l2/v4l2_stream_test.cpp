// Streaming through four mapped buffers end to end, and each streaming call's failure line.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cerrno>
#include <cstring>

#include "simcam/simcam.h"
#include "v4l2/v4l2_device.h"
#include "v4l2_test_util.h"

namespace {

using orvtest::ErrnoText;
using orvtest::LogEntry;
using orvtest::v4l2::Error;
using orvtest::v4l2::Info;
using v4l2test::kNode;

constexpr int kMmap = 1;

class Stream : public v4l2test::NodeTest {
  protected:
    void TearDown() override {
        for (CaptureBuffer &b : buffers_)
            if (b.start != nullptr)
                munmap(b.start, b.length);
        NodeTest::TearDown();
    }
    std::string Fn(const char *name) const {
        return std::string(name) + ": " + std::to_string(fd_);
    }

    CaptureBuffer buffers_[4] = {};
};

TEST_F(Stream, FourMappedBuffersCarryTheCamerasFramesInOrder) {
    ASSERT_EQ(0, v4l2_req_buf(fd_, buffers_, 4, kMmap));
    ASSERT_EQ(0, v4l2_start_capture(fd_, buffers_, 4, kMmap));
    const auto qbufs = simcam::TraceOf(simcam::Call::kQBuf);
    ASSERT_EQ(4u, qbufs.size());
    for (uint32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(i, qbufs[i].index);
        EXPECT_EQ(1u, qbufs[i].memory);
    }
    EXPECT_EQ(1u, simcam::TraceOf(simcam::Call::kStreamOn).size());

    // Ten frames through the four buffers, each read where the camera put it.
    for (int n = 0; n < 10; ++n) {
        ASSERT_EQ(1, simcam::ReleaseFrames(kNode, 1));
        struct v4l2_buffer buf;
        std::memset(&buf, 0xEE, sizeof buf);  // the layer clears the caller's record
        ASSERT_EQ(0, v4l2_read_frame(fd_, &buf, kMmap));
        EXPECT_EQ(static_cast<uint32_t>(n % 4), buf.index);
        const simcam::Frame frame = simcam::DeliveredFrames(kNode).back();
        EXPECT_EQ(frame.index, buf.index);
        ASSERT_EQ(frame.bytes.size(), buf.bytesused);
        EXPECT_EQ(0, std::memcmp(frame.bytes.data(), buffers_[buf.index].start, buf.bytesused));
        v4l2_queue_buf(fd_, &buf);
    }
    EXPECT_EQ(0u, simcam::DroppedFrames(kNode));
    EXPECT_EQ(10u + 4u, simcam::TraceOf(simcam::Call::kQBuf).size());

    v4l2_stop_capture(fd_);
    EXPECT_EQ(0, v4l2_release_buf(fd_, buffers_, 4, kMmap));
    EXPECT_EQ(1u, simcam::TraceOf(simcam::Call::kStreamOff).size());
    EXPECT_EQ(4u, simcam::TraceOf(simcam::Call::kMunmap).size());
    EXPECT_EQ((std::vector<LogEntry>{Info(Fn("v4l2_stop_capture") + " strean off ok")}), Lines());
}

TEST_F(Stream, ReadAndQueueFailuresAreLogged) {
    ASSERT_EQ(0, v4l2_req_buf(fd_, buffers_, 4, kMmap));
    ASSERT_EQ(0, v4l2_start_capture(fd_, buffers_, 4, kMmap));
    struct v4l2_buffer buf;
    EXPECT_EQ(-1, v4l2_read_frame(fd_, &buf, kMmap));  // nothing ready on a non-blocking node
    ASSERT_EQ(1, simcam::ReleaseFrames(kNode, 1));
    ASSERT_EQ(0, v4l2_read_frame(fd_, &buf, kMmap));
    v4l2_queue_buf(fd_, &buf);
    v4l2_queue_buf(fd_, &buf);  // already queued
    EXPECT_EQ((std::vector<LogEntry>{
                  Error(Fn("v4l2_read_frame") + " VIDIOC_DQBUF failed, " + ErrnoText(EAGAIN)),
                  Error(Fn("v4l2_queue_buf") + " VIDIOC_QBUF failed, " + ErrnoText(EINVAL))}),
              Lines());
}

TEST_F(Stream, StartAndStopFailures) {
    ASSERT_EQ(0, v4l2_req_buf(fd_, buffers_, 4, kMmap));
    simcam::FailCall(kNode, simcam::Call::kQBuf, EINVAL, 1, 2);
    EXPECT_EQ(-1, v4l2_start_capture(fd_, buffers_, 4, kMmap));
    EXPECT_EQ(3u, simcam::TraceOf(simcam::Call::kQBuf).size());
    EXPECT_TRUE(simcam::TraceOf(simcam::Call::kStreamOn).empty());

    // Buffers 0 and 1 stay queued; starting again queues them a second time and fails there.
    simcam::ClearTrace();
    simcam::FailCall(kNode, simcam::Call::kStreamOn, EPIPE, 1);
    EXPECT_EQ(-1, v4l2_start_capture(fd_, buffers_, 4, kMmap));

    Open(simcam::DefaultConfigText());
    ASSERT_EQ(0, v4l2_req_buf(fd_, buffers_ + 0, 0, kMmap));  // no buffers at all
    simcam::FailCall(kNode, simcam::Call::kStreamOn, EPIPE, 1);
    EXPECT_EQ(-1, v4l2_start_capture(fd_, buffers_, 0, kMmap));
    simcam::FailCall(kNode, simcam::Call::kStreamOff, EIO, 1);
    v4l2_stop_capture(fd_);
    const std::string qbuf = "v4l2_start_capture: " + FdText() + " ";
    EXPECT_EQ((std::vector<LogEntry>{
                  Error(qbuf + "strean on failed, " + ErrnoText(EPIPE)),
                  Error(Fn("v4l2_stop_capture") + " VIDIOC_STREAMOFF failed, " + ErrnoText(EIO))}),
              Lines());
}

}  // namespace
