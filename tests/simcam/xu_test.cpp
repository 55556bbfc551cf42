// The extension units and the identity request: what the camera answers, what a commit
// changes, and what the encoder then produces.
#include <errno.h>
#include <linux/usb/video.h>
#include <linux/uvcvideo.h>
#include <sys/mman.h>

#include <cstring>

#include "orv_usb_ids.h"
#include "simcam_fixture.h"

namespace {

using Fd = orv::UniqueFd;
using simtest::kNode;

using Block = std::vector<uint8_t>;

int Query(int fd, uint8_t unit, uint8_t selector, uint8_t query, Block *data) {
    struct uvc_xu_control_query q = {};
    q.unit = unit;
    q.selector = selector;
    q.query = query;
    q.size = static_cast<uint16_t>(data->size());
    q.data = data->data();
    return ioctl(fd, UVCIOC_CTRL_QUERY, &q);
}

void Put16(Block *b, size_t at, uint16_t v) {
    (*b)[at] = static_cast<uint8_t>(v);
    (*b)[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(Block *b, size_t at, uint32_t v) {
    for (size_t i = 0; i < 4; ++i)
        (*b)[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A commit as the libraries send it: every bit of bmHints set but the field's, all else zero.
Block Commit(uint16_t hints) {
    Block b(46, 0);
    Put16(&b, 8, hints);
    return b;
}

class Xu : public simtest::SimcamTest {
  protected:
    void SetUp() override {
        SimcamTest::SetUp();
        fd_ = OpenNode();
        ASSERT_GT(fd_, 0);
    }
    void TearDown() override { close(fd_); }
    int fd_ = -1;
};

TEST_F(Xu, ProbeAnswersTheWholeCurrentConfiguration) {
    Block probe(46, 0xAA);
    ASSERT_EQ(0, Query(fd_, 12, 1, UVC_GET_CUR, &probe));
    Block expect(46, 0);
    Put32(&expect, 0, 333333);
    Put32(&expect, 4, 1920000);
    Put16(&expect, 12, 1920);
    Put16(&expect, 14, 1080);
    Put16(&expect, 20, 0x6400);
    Put16(&expect, 22, 1);
    expect[29] = 1;
    EXPECT_EQ(expect, probe);
    EXPECT_EQ(expect, simcam::GetEncoder(kNode).block);
    const auto trace = simcam::TraceOf(simcam::Call::kXuQuery);
    ASSERT_EQ(1u, trace.size());
    EXPECT_EQ(expect, trace[0].data);  // a GET records the answer
}

TEST_F(Xu, CommitAppliesOnlyTheFieldsWhoseHintBitIsClear) {
    Block bitrate = Commit(0xDFFF);
    Put32(&bitrate, 4, 1000000);
    ASSERT_EQ(0, Query(fd_, 12, 2, UVC_SET_CUR, &bitrate));
    Block size = Commit(0xFFFE);
    Put16(&size, 12, 1280);
    Put16(&size, 14, 720);
    ASSERT_EQ(0, Query(fd_, 12, 2, UVC_SET_CUR, &size));
    Block rate = Commit(0xF7FF);
    Put32(&rate, 0, 666666);
    ASSERT_EQ(0, Query(fd_, 12, 2, UVC_SET_CUR, &rate));
    Block profile = Commit(0xFFFD);
    Put16(&profile, 20, 0x4D00);
    ASSERT_EQ(0, Query(fd_, 12, 2, UVC_SET_CUR, &profile));
    Block mode = Commit(0xFFFB);
    mode[29] = 3;
    ASSERT_EQ(0, Query(fd_, 12, 2, UVC_SET_CUR, &mode));
    Block period = Commit(0x7FFF);
    Put16(&period, 22, 5);
    ASSERT_EQ(0, Query(fd_, 12, 2, UVC_SET_CUR, &period));

    const simcam::EncoderSettings e = simcam::GetEncoder(kNode);
    EXPECT_EQ(1280, e.width);
    EXPECT_EQ(720, e.height);
    EXPECT_EQ(666666u, e.frame_interval);
    EXPECT_EQ(1000000u, e.bitrate);
    EXPECT_EQ(0x4D00, e.profile);
    EXPECT_EQ(3, e.rate_control);
    EXPECT_EQ(5, e.iframe_period);

    // The trace holds each payload exactly as sent.
    const auto trace = simcam::TraceOf(simcam::Call::kXuQuery);
    ASSERT_EQ(6u, trace.size());
    EXPECT_EQ(bitrate, trace[0].data);
    EXPECT_EQ(
        "XU /dev/video0 unit=12 selector=2 query=0x01 size=46 data=00 00 00 00 00 00 00 00 fe ff "
        "00 00 00 05 d0 02 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
        "00 00 00 00 00 00 00 -> 0",
        trace[1].Text());
}

TEST_F(Xu, CameraRefusesWhatItCannotEncodeAndKeepsItsSettings) {
    const Block before = simcam::GetEncoder(kNode).block;
    Block size = Commit(0xFFFE);
    Put16(&size, 12, 1000);
    Put16(&size, 14, 500);
    Block profile = Commit(0xFFFD);
    Put16(&profile, 20, 0x1234);
    Block rate = Commit(0xF7FF);  // frame interval 0
    Block mode = Commit(0xFFFB);
    mode[29] = 7;
    for (Block *b : {&size, &profile, &rate, &mode}) {
        EXPECT_EQ(-1, Query(fd_, 12, 2, UVC_SET_CUR, b));
        EXPECT_EQ(EPIPE, errno);
    }
    EXPECT_EQ(before, simcam::GetEncoder(kNode).block);
}

TEST_F(Xu, RequestErrorsAreTheDriversAndFaultsTheirErrno) {
    struct Case {
        uint8_t unit, selector, query;
        size_t size;
        int err;
    } cases[] = {
        {99, 1, UVC_GET_CUR, 46, ENOENT},    // no such unit
        {12, 3, UVC_GET_CUR, 46, ENOENT},    // no such selector
        {0x15, 2, UVC_GET_CUR, 1, ENOENT},   // the HDMI unit has selector 1 only
        {12, 1, UVC_GET_CUR, 45, ENOBUFS},   // wrong size
        {12, 1, 0x99, 46, EINVAL},           // no such request
        {0x15, 1, UVC_SET_CUR, 1, EBADRQC},  // read-only
        {12, 2, UVC_GET_MIN, 46, EPIPE},     // the camera stalls ranges of the commit
        {0x15, 1, UVC_GET_MAX, 1, EPIPE},    // and of the HDMI byte
        {0x13, 5, UVC_GET_CUR, 1, EBADRQC},  // menu commands are write-only
    };
    for (const Case &c : cases) {
        Block data(c.size, 0);
        errno = 0;
        EXPECT_EQ(-1, Query(fd_, c.unit, c.selector, c.query, &data));
        EXPECT_EQ(c.err, errno) << int(c.unit) << "/" << int(c.selector);
    }
    simcam::FailXu(kNode, 12, 2, EIO);
    Block commit = Commit(0xDFFF);
    EXPECT_EQ(-1, Query(fd_, 12, 2, UVC_SET_CUR, &commit));
    EXPECT_EQ(EIO, errno);
    Block probe(46, 0);
    EXPECT_EQ(0, Query(fd_, 12, 1, UVC_GET_CUR, &probe));  // only that selector fails
}

TEST_F(Xu, MakerUnitsAnswerTheirBytes) {
    simcam::SetOsdStatus(kNode, 0xFF);
    simcam::SetHdmiInput(kNode, 2);
    Block byte(1, 0);
    ASSERT_EQ(0, Query(fd_, 0x13, 10, UVC_GET_CUR, &byte));
    EXPECT_EQ(0xFF, byte[0]);
    ASSERT_EQ(0, Query(fd_, 0x15, 1, UVC_GET_CUR, &byte));
    EXPECT_EQ(2, byte[0]);
    EXPECT_EQ(-1, simcam::LastOsdCommand(kNode));
    byte[0] = 0x05;
    ASSERT_EQ(0, Query(fd_, 0x13, 0x05, UVC_SET_CUR, &byte));
    EXPECT_EQ(5, simcam::LastOsdCommand(kNode));
    Block len(2, 0);
    ASSERT_EQ(0, Query(fd_, 12, 1, UVC_GET_LEN, &len));
    EXPECT_EQ((Block{46, 0}), len);
}

TEST_F(Xu, IdentityIsTheUsbDeviceDescriptorOrUnknown) {
    uint8_t d[18];
    std::memset(d, 0xEE, sizeof d);
    ASSERT_EQ(0, ioctl(fd_, 0xC0125678, d));
    EXPECT_EQ(18, d[0]);
    EXPECT_EQ(1, d[1]);
    EXPECT_EQ(ORV_USB_VENDOR_ID, d[8] | d[9] << 8);
    EXPECT_EQ(ORV_DEFAULT_SIM_PRODUCT_ID, d[10] | d[11] << 8);
    EXPECT_EQ(ORV_DEFAULT_SIM_BCD_DEVICE, d[12] | d[13] << 8);
    simcam::SetIdentityAnswered(kNode, false);
    EXPECT_EQ(-1, ioctl(fd_, 0xC0125678, d));
    EXPECT_EQ(ENOTTY, errno);
}

// Streaming 640x480: what the encoder makes of the committed settings.
class XuStream : public Xu {
  protected:
    void SetUp() override {
        Xu::SetUp();
        struct v4l2_format f = {};
        f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        f.fmt.pix.pixelformat = V4L2_PIX_FMT_H264;
        f.fmt.pix.width = 640;
        f.fmt.pix.height = 480;
        ASSERT_EQ(0, ioctl(fd_, VIDIOC_S_FMT, &f));
        struct v4l2_requestbuffers req = {};
        req.count = 2;
        req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        req.memory = V4L2_MEMORY_MMAP;
        ASSERT_EQ(0, ioctl(fd_, VIDIOC_REQBUFS, &req));
        int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        ASSERT_EQ(0, ioctl(fd_, VIDIOC_STREAMON, &type));
    }
    // n frames through one buffer, queued and dequeued around each; their IDR flags.
    std::vector<bool> Frames(int n) {
        std::vector<bool> idr;
        for (int i = 0; i < n; ++i) {
            struct v4l2_buffer b = {};
            b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
            b.memory = V4L2_MEMORY_MMAP;
            EXPECT_EQ(0, ioctl(fd_, VIDIOC_QBUF, &b));
            EXPECT_EQ(1, simcam::ReleaseFrames(kNode, 1));
            EXPECT_EQ(0, ioctl(fd_, VIDIOC_DQBUF, &b));
            idr.push_back(simcam::DeliveredFrames(kNode).back().idr);
        }
        return idr;
    }
};

TEST_F(XuStream, PictureTypeRequestMakesTheNextFrameAnIdr) {
    EXPECT_EQ((std::vector<bool>{true, false, false}), Frames(3));
    Block pic(4, 0);
    ASSERT_EQ(0, Query(fd_, 12, 9, UVC_SET_CUR, &pic));
    EXPECT_EQ((std::vector<bool>{true, false}), Frames(2));
    const auto frames = simcam::DeliveredFrames(kNode);
    EXPECT_EQ((std::vector<int>{7, 8, 5}), simtest::NalTypes(frames[3].bytes));
}

TEST_F(XuStream, IdrPeriodFollowsTheCommittedPeriodAndFrameRate) {
    Block rate = Commit(0xF7FF);
    Put32(&rate, 0, 2000000);  // 5 frames a second
    ASSERT_EQ(0, Query(fd_, 12, 2, UVC_SET_CUR, &rate));
    Block period = Commit(0x7FFF);
    Put16(&period, 22, 1);
    ASSERT_EQ(0, Query(fd_, 12, 2, UVC_SET_CUR, &period));
    std::vector<bool> expect(11, false);
    expect[0] = expect[5] = expect[10] = true;
    EXPECT_EQ(expect, Frames(11));
}

TEST_F(XuStream, StreamCarriesTheCommittedProfile) {
    const struct {
        uint16_t profile;
        int idc;
    } cases[] = {{0x4200, 66}, {0x4D00, 77}, {0x6400, 100}};
    for (const auto &c : cases) {
        Block profile = Commit(0xFFFD);
        Put16(&profile, 20, c.profile);
        ASSERT_EQ(0, Query(fd_, 12, 2, UVC_SET_CUR, &profile));
        Frames(1);
        EXPECT_EQ(c.idc, simtest::SpsProfile(simcam::DeliveredFrames(kNode).back().bytes));
    }
}

}  // namespace
