// Formats, sizes, frame rates and controls, from the configuration, negotiated as uvcvideo does.
#include <errno.h>

#include <cstring>
#include <stdexcept>

#include "simcam_fixture.h"

namespace {

using Fd = orv::UniqueFd;
using simtest::kNode;

// A node with four formats, a stepwise and a continuous range, and the control kinds the
// libraries must tell apart.
const char *kConfig = R"({"nodes": [{
  "path": "/dev/video2",
  "identity": false,
  "formats": [
    {"fourcc": "MJPG", "description": "Motion-JPEG",
     "frame_sizes": [{"width": 640, "height": 480, "intervals": ["1/30"]}]},
    {"fourcc": "YUYV", "description": "YUYV 4:2:2",
     "frame_sizes": {"kind": "stepwise", "min": "160x120", "max": "1280x720", "step": "16x8",
                     "intervals": {"kind": "stepwise", "min": "1/60", "max": "1/5", "step": "1/60"}}},
    {"fourcc": "H264", "description": "H.264",
     "frame_sizes": [{"width": 1280, "height": 720, "intervals": ["1/30", "1/25", "1/15"]},
                     {"width": 320, "height": 240, "intervals": ["1001/30000"]}]},
    {"fourcc": 0, "description": "H.265",
     "frame_sizes": {"kind": "continuous", "min": "64x64", "max": "640x480",
                     "intervals": {"kind": "continuous", "min": "1/30", "max": "1/1"}}}
  ],
  "controls": [
    {"id": "0x00980900", "name": "Brightness", "min": 0, "max": 255, "step": 5, "default": 100},
    {"id": "0x009a090c", "name": "Focus, Auto", "type": "boolean", "min": 0, "max": 1, "default": 1},
    {"id": "0x009a0909", "name": "Tilt, Absolute", "min": -10, "max": 10, "flags": ["disabled"]},
    {"id": "0x009a0908", "name": "Pan, Reset", "type": "button"},
    {"id": "0x009a0911", "name": "Bits", "type": "bitmask", "max": 5},
    {"id": "0x009a0910", "name": "Menu", "type": "menu", "min": 0, "max": 2}
  ]
}]})";

class Format : public ::testing::Test {
  protected:
    void SetUp() override {
        simcam::LoadConfigText(kConfig);
        fd_ = open("/dev/video2", O_RDWR | O_NONBLOCK);
        ASSERT_GT(fd_, 0);
    }
    void TearDown() override { close(fd_); }
    int fd_ = -1;
};

TEST_F(Format, EnumeratesFormatsSizesAndIntervalsOfEveryKind) {
    std::vector<uint32_t> codes;
    struct v4l2_fmtdesc d = {};
    d.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    while (ioctl(fd_, VIDIOC_ENUM_FMT, &d) == 0) {
        codes.push_back(d.pixelformat);
        ++d.index;
    }
    EXPECT_EQ(EINVAL, errno);
    EXPECT_EQ((std::vector<uint32_t>{V4L2_PIX_FMT_MJPEG, V4L2_PIX_FMT_YUYV, V4L2_PIX_FMT_H264, 0}),
              codes);

    struct v4l2_frmsizeenum s = {};
    s.pixel_format = V4L2_PIX_FMT_H264;
    s.index = 1;
    ASSERT_EQ(0, ioctl(fd_, VIDIOC_ENUM_FRAMESIZES, &s));
    EXPECT_EQ(static_cast<uint32_t>(V4L2_FRMSIZE_TYPE_DISCRETE), s.type);
    EXPECT_EQ(320u, s.discrete.width);
    s.index = 2;
    EXPECT_EQ(-1, ioctl(fd_, VIDIOC_ENUM_FRAMESIZES, &s));
    EXPECT_EQ(EINVAL, errno);
    s = {};
    s.pixel_format = V4L2_PIX_FMT_YUYV;
    ASSERT_EQ(0, ioctl(fd_, VIDIOC_ENUM_FRAMESIZES, &s));
    EXPECT_EQ(static_cast<uint32_t>(V4L2_FRMSIZE_TYPE_STEPWISE), s.type);
    EXPECT_EQ(16u, s.stepwise.step_width);
    EXPECT_EQ(720u, s.stepwise.max_height);
    s = {};
    s.pixel_format = 0;
    ASSERT_EQ(0, ioctl(fd_, VIDIOC_ENUM_FRAMESIZES, &s));
    EXPECT_EQ(static_cast<uint32_t>(V4L2_FRMSIZE_TYPE_CONTINUOUS), s.type);

    struct v4l2_frmivalenum i = {};
    i.pixel_format = V4L2_PIX_FMT_H264;
    i.width = 320;
    i.height = 240;
    ASSERT_EQ(0, ioctl(fd_, VIDIOC_ENUM_FRAMEINTERVALS, &i));
    EXPECT_EQ(1001u, i.discrete.numerator);
    EXPECT_EQ(30000u, i.discrete.denominator);
    i.width = 321;  // not a size of the format
    EXPECT_EQ(-1, ioctl(fd_, VIDIOC_ENUM_FRAMEINTERVALS, &i));
    EXPECT_EQ(EINVAL, errno);
    i = {};
    i.pixel_format = V4L2_PIX_FMT_YUYV;
    i.width = 640;
    i.height = 480;
    ASSERT_EQ(0, ioctl(fd_, VIDIOC_ENUM_FRAMEINTERVALS, &i));
    EXPECT_EQ(static_cast<uint32_t>(V4L2_FRMIVAL_TYPE_STEPWISE), i.type);
    EXPECT_EQ(5u, i.stepwise.max.denominator);
}

TEST_F(Format, SetFormatAdjustsToAnOfferedSizeAndRecordsWhatWasSent) {
    struct v4l2_format f = {};
    f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    f.fmt.pix.pixelformat = V4L2_PIX_FMT_H264;
    f.fmt.pix.width = 1200;
    f.fmt.pix.height = 700;
    f.fmt.pix.field = V4L2_FIELD_INTERLACED;
    ASSERT_EQ(0, ioctl(fd_, VIDIOC_S_FMT, &f));
    EXPECT_EQ(1280u, f.fmt.pix.width);
    EXPECT_EQ(720u, f.fmt.pix.height);
    EXPECT_EQ(static_cast<uint32_t>(V4L2_FIELD_NONE), f.fmt.pix.field);
    const auto sent = simcam::TraceOf(simcam::Call::kSetFmt);
    ASSERT_EQ(1u, sent.size());
    EXPECT_EQ("S_FMT /dev/video2 pixelformat=H264 width=1200 height=700 field=4 -> 0",
              sent[0].Text());

    // An unknown format falls back to the first; a stepwise size rounds to its step.
    f.fmt.pix.pixelformat = v4l2_fourcc('N', 'V', '1', '2');
    ASSERT_EQ(0, ioctl(fd_, VIDIOC_S_FMT, &f));
    EXPECT_EQ(V4L2_PIX_FMT_MJPEG, f.fmt.pix.pixelformat);
    f.fmt.pix.pixelformat = V4L2_PIX_FMT_YUYV;
    f.fmt.pix.width = 650;
    f.fmt.pix.height = 5000;
    ASSERT_EQ(0, ioctl(fd_, VIDIOC_S_FMT, &f));
    EXPECT_EQ(656u, f.fmt.pix.width);
    EXPECT_EQ(720u, f.fmt.pix.height);
    EXPECT_EQ(656u * 2, f.fmt.pix.bytesperline);

    struct v4l2_format g = {};
    g.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    ASSERT_EQ(0, ioctl(fd_, VIDIOC_G_FMT, &g));
    EXPECT_EQ(V4L2_PIX_FMT_YUYV, g.fmt.pix.pixelformat);
    EXPECT_EQ(656u, g.fmt.pix.width);
}

TEST_F(Format, FrameRateIsTheNearestOfferedAndLockedWhileStreaming) {
    struct v4l2_format f = {};
    f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    f.fmt.pix.pixelformat = V4L2_PIX_FMT_H264;
    f.fmt.pix.width = 1280;
    f.fmt.pix.height = 720;
    ASSERT_EQ(0, ioctl(fd_, VIDIOC_S_FMT, &f));
    struct v4l2_streamparm p = {};
    p.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    p.parm.capture.timeperframe = {1, 24};
    ASSERT_EQ(0, ioctl(fd_, VIDIOC_S_PARM, &p));
    EXPECT_EQ(25u, p.parm.capture.timeperframe.denominator);
    EXPECT_EQ(static_cast<uint32_t>(V4L2_CAP_TIMEPERFRAME), p.parm.capture.capability);
    // Negotiated only: the encoder takes the interval at STREAMON, as at uvcvideo's commit.
    EXPECT_EQ(333333u, simcam::GetEncoder("/dev/video2").frame_interval);
    EXPECT_EQ("S_PARM /dev/video2 timeperframe=1/24 -> 0",
              simcam::TraceOf(simcam::Call::kSetParm)[0].Text());
    struct v4l2_streamparm g = {};
    g.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    ASSERT_EQ(0, ioctl(fd_, VIDIOC_G_PARM, &g));
    EXPECT_EQ(1u, g.parm.capture.timeperframe.numerator);
    EXPECT_EQ(25u, g.parm.capture.timeperframe.denominator);

    struct v4l2_requestbuffers req = {};
    req.count = 1;
    req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    req.memory = V4L2_MEMORY_MMAP;
    ASSERT_EQ(0, ioctl(fd_, VIDIOC_REQBUFS, &req));
    EXPECT_EQ(-1, ioctl(fd_, VIDIOC_S_FMT, &f));  // buffers allocated
    EXPECT_EQ(EBUSY, errno);
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    ASSERT_EQ(0, ioctl(fd_, VIDIOC_STREAMON, &type));
    EXPECT_EQ(400000u, simcam::GetEncoder("/dev/video2").frame_interval);
    EXPECT_EQ(1280, simcam::GetEncoder("/dev/video2").width);
    EXPECT_EQ(-1, ioctl(fd_, VIDIOC_S_PARM, &p));
    EXPECT_EQ(EBUSY, errno);
}

TEST_F(Format, ControlsEnumerateInOrderAndSetAsTheDriverDoes) {
    std::vector<uint32_t> ids;
    struct v4l2_queryctrl q = {};
    q.id = V4L2_CTRL_FLAG_NEXT_CTRL;
    while (ioctl(fd_, VIDIOC_QUERYCTRL, &q) == 0) {
        ids.push_back(q.id);
        if (q.id == 0x009a0909) {
            EXPECT_STREQ("Tilt, Absolute", reinterpret_cast<const char *>(q.name));
            EXPECT_EQ(static_cast<uint32_t>(V4L2_CTRL_FLAG_DISABLED), q.flags);
        }
        q.id |= V4L2_CTRL_FLAG_NEXT_CTRL;
    }
    EXPECT_EQ(EINVAL, errno);
    EXPECT_EQ((std::vector<uint32_t>{0x00980900, 0x009a0908, 0x009a0909, 0x009a090c, 0x009a0910,
                                     0x009a0911}),
              ids);

    struct Case {
        uint32_t id;
        int32_t value;
        int result_errno;  // 0: accepted
        int32_t stored;
    } cases[] = {
        {0x00980900, 300, 0, 255},                               // clamped to the maximum
        {0x00980900, 102, 0, 100},                               // rounded to the step
        {0x009a090c, 7, 0, 1},                                   // boolean
        {0x009a0910, 3, ERANGE, 0},                              // menu out of range
        {0x009a0911, 2, ERANGE, 0},                              // a bit outside the mask
        {0x009a0911, 5, 0, 5},      {0x009a0909, 0, EINVAL, 0},  // disabled
        {0x009a0999, 0, EINVAL, 0},                              // no such control
    };
    for (const Case &c : cases) {
        struct v4l2_control ctl = {c.id, c.value};
        errno = 0;
        const int r = ioctl(fd_, VIDIOC_S_CTRL, &ctl);
        EXPECT_EQ(c.result_errno ? -1 : 0, r) << std::hex << c.id << " " << c.value;
        EXPECT_EQ(c.result_errno, r ? errno : 0);
        if (r == 0) {
            EXPECT_EQ(c.stored, simcam::ControlValue("/dev/video2", c.id));
        }
    }
    struct v4l2_control button = {0x009a0908, 0};
    EXPECT_EQ(-1, ioctl(fd_, VIDIOC_G_CTRL, &button));
    EXPECT_EQ(EACCES, errno);
    simcam::FailControl("/dev/video2", 0x00980900, EIO);
    struct v4l2_control bright = {0x00980900, 0};
    EXPECT_EQ(-1, ioctl(fd_, VIDIOC_G_CTRL, &bright));
    EXPECT_EQ(EIO, errno);
    const auto set = simcam::TraceOf(simcam::Call::kSetCtrl);
    ASSERT_EQ(8u, set.size());
    EXPECT_EQ("S_CTRL /dev/video2 id=0x00980900 value=300 -> 0", set[0].Text());
}

TEST(Config, RejectsBadConfigurationsNamingTheFieldAndKeepsTheOldOne) {
    simcam::LoadDefaultConfig();
    const struct {
        const char *json;
        const char *mentions;
    } cases[] = {
        {"{", "JSON"},
        {R"({"nodes": [{"path": "/dev/cam0", "formats": []}]})", "nodes[0].path"},
        {R"({"nodes": [{"path": "/dev/video1"}]})", "nodes[0].formats"},
        {R"({"nodes": [{"path": "/dev/video1", "formats": [{"fourcc": "H264",
            "frame_sizes": [{"width": 1, "height": 1, "intervals": ["1:30"]}]}]}]})",
         "intervals[0]"},
        {R"({"nodes": [{"path": "/dev/video1", "clock": "slow", "formats": [{"fourcc": "H264",
            "frame_sizes": [{"width": 16, "height": 16, "intervals": ["1/30"]}]}]}]})",
         "clock"},
    };
    for (const auto &c : cases) {
        try {
            simcam::LoadConfigText(c.json);
            ADD_FAILURE() << "accepted " << c.json;
        } catch (const std::invalid_argument &e) {
            EXPECT_NE(nullptr, std::strstr(e.what(), c.mentions)) << e.what();
        }
    }
    Fd fd(open(kNode, O_RDWR));
    EXPECT_GT(fd.get(), 0);
    EXPECT_THROW(simcam::ReleaseFrames("/dev/video5", 1), std::invalid_argument);
}

}  // namespace
