// The capture format and frame rate: what is sent, what is read back, what is logged.
#include <gtest/gtest.h>

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

constexpr int kH264 = 0x34363248;

class Format : public v4l2test::NodeTest {};

TEST_F(Format, GetListsEveryFormatThenTheCurrentOne) {
    Open(v4l2test::CameraConfig(R"([
        {"fourcc": "MJPG", "description": "Motion-JPEG",
         "frame_sizes": [{"width": 1280, "height": 720, "intervals": ["1/30"]}]},
        {"fourcc": "H264", "description": "H.264",
         "frame_sizes": [{"width": 1920, "height": 1080, "intervals": ["1/30"]}]}])"));
    int pixfmt = 0, width = 0, height = 0;
    EXPECT_EQ(0, v4l2_get_video_fmt(fd_, &pixfmt, &width, &height));
    EXPECT_EQ(0x47504A4D, pixfmt);
    EXPECT_EQ(1280, width);
    EXPECT_EQ(720, height);
    const std::string fn = "v4l2_get_video_fmt: " + FdText();
    EXPECT_EQ((std::vector<LogEntry>{
                  Info(fn + " support format:1 format:1196444237 format name:V4L2_PIX_FMT_MJPEG "
                            "format desciption:Motion-JPEG"),
                  Info(fn + " support format:2 format:875967048 format name:V4L2_PIX_FMT_H264 "
                            "format desciption:H.264"),
                  Info(fn + " current format:1196444237 width:1280 height:720\n")}),
              Lines());
}

TEST_F(Format, GetFailureLeavesTheOutputs) {
    simcam::FailCall(kNode, simcam::Call::kGetFmt, EIO);
    int pixfmt = 1, width = 2, height = 3;
    EXPECT_EQ(-1, v4l2_get_video_fmt(fd_, &pixfmt, &width, &height));
    EXPECT_EQ(1, pixfmt);
    EXPECT_EQ(2, width);
    EXPECT_EQ(3, height);
    EXPECT_EQ(
        Error("v4l2_get_video_fmt: " + FdText() + " v4l2_get_video_fmt failed, " + ErrnoText(EIO)),
        Lines().back());
}

TEST_F(Format, SetSendsTheRequestWithFieldFourAndTheDriverMayAdjust) {
    EXPECT_EQ(0, v4l2_set_video_fmt(fd_, kH264, 1200, 700));
    const auto sets = simcam::TraceOf(simcam::Call::kSetFmt);
    ASSERT_EQ(1u, sets.size());
    EXPECT_EQ(static_cast<uint32_t>(kH264), sets[0].pixelformat);
    EXPECT_EQ(1200u, sets[0].width);
    EXPECT_EQ(700u, sets[0].height);
    EXPECT_EQ(4u, sets[0].field);
    // The driver's current field (it answers NONE) does not leak into the request.
    ASSERT_EQ(1u, simcam::TraceOf(simcam::Call::kGetFmt).size());
    EXPECT_NE(4u, simcam::TraceOf(simcam::Call::kGetFmt)[0].field);

    int pixfmt = 0, width = 0, height = 0;
    EXPECT_EQ(0, v4l2_get_video_fmt(fd_, &pixfmt, &width, &height));
    EXPECT_EQ(1280, width);  // the nearest size offered
    EXPECT_EQ(720, height);
    EXPECT_TRUE(simcam::TraceOf(simcam::Call::kOther).empty());
}

TEST_F(Format, SetFailuresLogWhatTheRequestHeld) {
    simcam::FailCall(kNode, simcam::Call::kGetFmt, EIO, 1);
    EXPECT_EQ(-1, v4l2_set_video_fmt(fd_, kH264, 640, 480));
    EXPECT_TRUE(simcam::TraceOf(simcam::Call::kSetFmt).empty());

    simcam::FailCall(kNode, simcam::Call::kSetFmt, EBUSY, 1);
    EXPECT_EQ(-1, v4l2_set_video_fmt(fd_, kH264, 640, 480));
    const std::string fn = "v4l2_set_video_fmt: " + FdText() + " v4l2_set_video_fmt failed, ";
    EXPECT_EQ((std::vector<LogEntry>{
                  Error(fn + "pixfmt:0 width:0 height:0 " + ErrnoText(EIO)),
                  Error(fn + "pixfmt:875967048 width:640 height:480 " + ErrnoText(EBUSY))}),
              Lines());
}

TEST_F(Format, SetFpsSendsOneOverFps) {
    EXPECT_EQ(0, v4l2_set_fps(fd_, 15));
    simcam::FailCall(kNode, simcam::Call::kSetParm, EBUSY, 1);
    EXPECT_EQ(-1, v4l2_set_fps(fd_, 30));
    const auto sets = simcam::TraceOf(simcam::Call::kSetParm);
    ASSERT_EQ(2u, sets.size());
    EXPECT_EQ(1u, sets[0].numerator);
    EXPECT_EQ(15u, sets[0].denominator);
    EXPECT_EQ(1u, sets[1].numerator);
    EXPECT_EQ(30u, sets[1].denominator);
    EXPECT_EQ((std::vector<LogEntry>{Error("v4l2_set_fps: " + FdText() +
                                           " v4l2_set_fps failed, fps:30 " + ErrnoText(EBUSY))}),
              Lines());
    int fps = 0;
    EXPECT_EQ(0, v4l2_get_fps(fd_, &fps));
    EXPECT_EQ(15, fps);
}

TEST_F(Format, GetFpsTruncatesTheRate) {
    Open(v4l2test::DefaultConfigWith(R"("intervals": ["1/30", "1/15"])",
                                     R"("intervals": ["1001/30000", "1/15"])"));
    int fps = 0;
    EXPECT_EQ(0, v4l2_get_fps(fd_, &fps));
    EXPECT_EQ(29, fps);
    EXPECT_EQ((std::vector<LogEntry>{Info("v4l2_get_fps: " + FdText() +
                                          " numerator:1001 denominator:30000 capturemode:0")}),
              Lines());
}

TEST_F(Format, GetFpsFailuresLeaveTheOutput) {
    simcam::FailCall(kNode, simcam::Call::kGetParm, EIO, 1);
    int fps = 7;
    EXPECT_EQ(-1, v4l2_get_fps(fd_, &fps));
    EXPECT_TRUE(Lines().empty());

    // A zero numerator has no rate: refused rather than divided by. (The camera takes the
    // offered interval nearest to the one asked for: 0/30 for 1/1000000.)
    Open(v4l2test::DefaultConfigWith(R"("intervals": ["1/30", "1/15"])",
                                     R"("intervals": ["0/30", "1/15"])"));
    ASSERT_EQ(0, v4l2_set_fps(fd_, 1000000));
    capture_.clear();
    EXPECT_EQ(-1, v4l2_get_fps(fd_, &fps));
    EXPECT_EQ(7, fps);
    EXPECT_EQ((std::vector<LogEntry>{Error("v4l2_get_fps: " + FdText() +
                                           " no frame rate, numerator:0 denominator:30")}),
              Lines());
}

}  // namespace
