// End to end: what is committed through the H.264 unit shows in the stream the simulated
// camera delivers (its SPS, its IDR spacing, its size), read from the mapped capture buffers.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "h264_stream.h"
#include "simcam/simcam.h"
#include "uvc/uvc_h264.h"
#include "uvc/uvc_maker_commands.h"

namespace {

const char kNode[] = "/dev/video0";
constexpr int kUnit = 12;
constexpr unsigned kBuffers = 4;

// Four mapped buffers streaming on the node, frames released one at a time by the test.
class Capture {
  public:
    explicit Capture(int fd) : fd_(fd) {}
    ~Capture() {
        int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        ioctl(fd_, VIDIOC_STREAMOFF, &type);
        for (const Mapping &m : maps_)
            munmap(m.start, m.length);
        struct v4l2_requestbuffers req = {};
        req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        req.memory = V4L2_MEMORY_MMAP;
        ioctl(fd_, VIDIOC_REQBUFS, &req);
    }

    void Start() {
        struct v4l2_requestbuffers req = {};
        req.count = kBuffers;
        req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        req.memory = V4L2_MEMORY_MMAP;
        ASSERT_EQ(0, ioctl(fd_, VIDIOC_REQBUFS, &req)) << strerror(errno);
        ASSERT_EQ(kBuffers, req.count);
        for (unsigned i = 0; i < kBuffers; ++i) {
            struct v4l2_buffer buf = Buffer(i);
            ASSERT_EQ(0, ioctl(fd_, VIDIOC_QUERYBUF, &buf)) << strerror(errno);
            void *start = mmap(nullptr, buf.length, PROT_READ, MAP_SHARED, fd_, buf.m.offset);
            ASSERT_NE(MAP_FAILED, start) << strerror(errno);
            maps_.push_back({start, buf.length});
            ASSERT_EQ(0, ioctl(fd_, VIDIOC_QBUF, &buf)) << strerror(errno);
        }
        int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        ASSERT_EQ(0, ioctl(fd_, VIDIOC_STREAMON, &type)) << strerror(errno);
    }

    // The camera produces one frame; its NAL units, read from the buffer it filled, which
    // goes back to the camera.
    std::vector<h264test::Nal> NextFrame() {
        EXPECT_EQ(1, simcam::ReleaseFrames(kNode, 1));
        struct v4l2_buffer buf = Buffer(0);
        if (ioctl(fd_, VIDIOC_DQBUF, &buf) != 0) {
            ADD_FAILURE() << "DQBUF: " << strerror(errno);
            return {};
        }
        const auto *bytes = static_cast<const uint8_t *>(maps_.at(buf.index).start);
        std::vector<h264test::Nal> nals = h264test::SplitAnnexB(bytes, buf.bytesused);
        EXPECT_EQ(0, ioctl(fd_, VIDIOC_QBUF, &buf)) << strerror(errno);
        return nals;
    }

  private:
    struct Mapping {
        void *start;
        size_t length;
    };

    static struct v4l2_buffer Buffer(unsigned index) {
        struct v4l2_buffer buf = {};
        buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buf.memory = V4L2_MEMORY_MMAP;
        buf.index = index;
        return buf;
    }

    int fd_;
    std::vector<Mapping> maps_;
};

bool IsIdr(const std::vector<h264test::Nal> &frame) {
    for (const h264test::Nal &n : frame)
        if (n.type == h264test::kNalIdrSlice)
            return true;
    return false;
}

// The SPS of an IDR frame (which must start with SPS and PPS).
h264test::Sps SpsOf(const std::vector<h264test::Nal> &frame) {
    h264test::Sps sps;
    EXPECT_GE(frame.size(), 3u);
    if (frame.size() < 3)
        return sps;
    EXPECT_EQ(h264test::kNalSps, frame[0].type);
    EXPECT_EQ(h264test::kNalPps, frame[1].type);
    EXPECT_TRUE(h264test::ParseSps(frame[0].payload, &sps));
    return sps;
}

// The frame duration that the SPS announces, in the 100 ns units of dwFrameInterval.
uint64_t FrameInterval(const h264test::Sps &sps) {
    return sps.time_scale ? 2ull * sps.num_units_in_tick * 10000000 / sps.time_scale : 0;
}

size_t Bytes(const std::vector<h264test::Nal> &frame) {
    size_t n = 0;
    for (const h264test::Nal &nal : frame)
        n += nal.payload.size() + 1;
    return n;
}

class UvcStream : public ::testing::Test {
  protected:
    void SetUp() override {
        simcam::LoadDefaultConfig();
        simcam::SetClock(kNode, simcam::Clock::kStepped);
        fd_ = open(kNode, O_RDWR);
        ASSERT_GT(fd_, 0) << strerror(errno);
    }
    void TearDown() override {
        capture_.reset();
        if (fd_ > 0)
            close(fd_);
    }
    // Streams at a negotiated size and frame rate: STREAMON commits them to the encoder, as
    // uvcvideo's commit does, over what the H.264 unit was told before.
    void StartCapture(uint32_t width, uint32_t height, uint32_t fps) {
        struct v4l2_format f = {};
        f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        f.fmt.pix.pixelformat = V4L2_PIX_FMT_H264;
        f.fmt.pix.width = width;
        f.fmt.pix.height = height;
        ASSERT_EQ(0, ioctl(fd_, VIDIOC_S_FMT, &f)) << strerror(errno);
        struct v4l2_streamparm p = {};
        p.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        p.parm.capture.timeperframe = {1, fps};
        ASSERT_EQ(0, ioctl(fd_, VIDIOC_S_PARM, &p)) << strerror(errno);
        capture_.reset(new Capture(fd_));
        capture_->Start();
    }

    int fd_ = -1;
    std::unique_ptr<Capture> capture_;
};

// Indexes of the IDR frames among the next n.
std::vector<int> IdrIndexes(Capture &capture, int n) {
    std::vector<int> idr;
    for (int i = 0; i < n; ++i)
        if (IsIdr(capture.NextFrame()))
            idr.push_back(i);
    return idr;
}

// Bytes of the last kSettledFrames of the next 20 frames, once the rate control has settled.
constexpr size_t kSettledFrames = 10;
size_t SettledBytes(Capture &capture) {
    size_t n = 0;
    for (size_t i = 0; i < 20; ++i) {
        const size_t bytes = Bytes(capture.NextFrame());
        if (i >= 20 - kSettledFrames)
            n += bytes;
    }
    return n;
}

TEST_F(UvcStream, CommittedSizeProfileAndPeriodShapeTheStream) {
    ASSERT_EQ(0, uvc_set_h264_resolution(kUnit, fd_, 640, 480));
    ASSERT_EQ(0, uvc_set_h264_profile(kUnit, fd_, UVCX_H264_wProfile_MAINPROFILE));
    ASSERT_EQ(0, uvc_set_h264_framerate(kUnit, fd_, 15));
    ASSERT_EQ(0, uvc_set_h264_iframe_peroid(kUnit, fd_, 1));  // 15 frames at 15 fps
    StartCapture(640, 480, 15);
    const std::vector<h264test::Nal> first = capture_->NextFrame();
    ASSERT_TRUE(IsIdr(first));
    const h264test::Sps sps = SpsOf(first);
    EXPECT_EQ(640, sps.width);
    EXPECT_EQ(480, sps.height);
    EXPECT_EQ(77, sps.profile_idc);          // main
    EXPECT_EQ(666666u, FrameInterval(sps));  // 15 fps
    EXPECT_EQ(std::vector<int>({14, 29}), IdrIndexes(*capture_, 30));

    // While streaming: a longer period, then the size and profile change.
    ASSERT_EQ(0, uvc_set_h264_iframe_peroid(kUnit, fd_, 2));
    EXPECT_EQ(std::vector<int>({0, 30}), IdrIndexes(*capture_, 31));
    ASSERT_EQ(0, uvc_set_h264_resolution(kUnit, fd_, 1280, 720));
    ASSERT_EQ(0, uvc_set_h264_profile(kUnit, fd_, UVCX_H264_wProfile_HIGHPROFILE));
    const std::vector<h264test::Nal> changed = capture_->NextFrame();
    ASSERT_TRUE(IsIdr(changed));
    const h264test::Sps high = SpsOf(changed);
    EXPECT_EQ(1280, high.width);
    EXPECT_EQ(720, high.height);
    EXPECT_EQ(100, high.profile_idc);  // high
    EXPECT_EQ(666666u, FrameInterval(high));
}

TEST_F(UvcStream, AnIFrameRequestMakesTheNextFrameAnIdr) {
    ASSERT_EQ(0, uvc_set_h264_resolution(kUnit, fd_, 640, 480));
    ASSERT_EQ(0, uvc_set_h264_iframe_peroid(kUnit, fd_, 0));  // only the first frame
    StartCapture(640, 480, 30);
    EXPECT_EQ(std::vector<int>({0}), IdrIndexes(*capture_, 5));
    ASSERT_EQ(0, uvc_send_iframe_request(kUnit, fd_));
    const std::vector<h264test::Nal> requested = capture_->NextFrame();
    EXPECT_TRUE(IsIdr(requested));
    EXPECT_EQ(640, SpsOf(requested).width);
    EXPECT_EQ(std::vector<int>({}), IdrIndexes(*capture_, 5));
}

TEST_F(UvcStream, TheCommittedBitRateSizesTheFrames) {
    ASSERT_EQ(0, uvc_set_h264_resolution(kUnit, fd_, 640, 480));
    ASSERT_EQ(0, uvc_set_h264_iframe_peroid(kUnit, fd_, 0));
    ASSERT_EQ(0, uvc_set_h264_bitrate(kUnit, fd_, 4000000));
    StartCapture(640, 480, 30);
    const size_t high = SettledBytes(*capture_);
    ASSERT_EQ(0, uvc_set_h264_bitrate(kUnit, fd_, 250000));
    const size_t low = SettledBytes(*capture_);
    // 250000 bit/s at 30 frames a second is 1041 bytes a frame; the rich rate leaves the
    // simple test picture far below its budget, yet well above the poor one.
    EXPECT_LE(low, kSettledFrames * 250000 / 8 / 30);
    EXPECT_GT(high, 2 * low);
}

}  // namespace
