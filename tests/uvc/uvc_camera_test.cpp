// The extension-unit layer against the simulated camera: what each request puts on the wire,
// what each read makes of the camera's answer, and what a refused request leaves behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/usb/video.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "log_capture.h"
#include "simcam_config.h"
#include "scoped_property.h"
#include "simcam/simcam.h"
#include "uvc/uvc_h264.h"
#include "uvc/uvc_maker_commands.h"
#include "uvc_test_util.h"

namespace {

using orvtest::ErrnoText;
using orvtest::Hex;
using orvtest::LogEntry;
using orvtest::UvcLines;
using orvtest::uvc::Error;
using orvtest::uvc::Info;
using uvctest::Block;

const char kNode[] = "/dev/video0";
const std::string kCommitted =
    "[L][send_uvc_command_set] UVCX_VIDEO_CONFIG_COMMIT SET_CUR send_uvc_command_set ret: 0";
const std::string kProbed =
    "[L][send_uvc_command_get] UVCX_VIDEO_CONFIG_PROBE GET_CUR send_uvc_command_get ret: 0";
const std::string kProbeFailed =
    "[L][send_uvc_command_get] UVCX_VIDEO_CONFIG_PROBE GET_CUR send_uvc_command_get, ";

class UvcCamera : public ::testing::Test {
  protected:
    void SetUp() override { Open(); }
    void TearDown() override {
        if (fd_ > 0)
            close(fd_);
    }

    // (Re)opens the node of the configuration loaded, with an empty trace and log.
    void Open(const std::string &config = simcam::DefaultConfigText()) {
        if (fd_ > 0)
            close(fd_);
        simcam::LoadConfigText(config);
        fd_ = open(kNode, O_RDWR);
        ASSERT_GT(fd_, 0) << strerror(errno);
        simcam::ClearTrace();
        capture_.clear();
    }

    // The only extension-unit request since the last call.
    simcam::TraceEntry OnlyXu() {
        const std::vector<simcam::TraceEntry> xu = simcam::TraceOf(simcam::Call::kXuQuery);
        simcam::ClearTrace();
        EXPECT_EQ(1u, xu.size());
        return xu.empty() ? simcam::TraceEntry{} : xu.front();
    }

    orvtest::ScopedProperty level_{"orv.log.level", "2"};
    orvtest::LogCapture capture_;
    int fd_ = -1;
};

TEST_F(UvcCamera, EverySetCommitsOneFieldByteForByte) {
    struct Case {
        std::function<int(int)> set;
        std::string line;
        std::vector<uint8_t> payload;
    } cases[] = {
        {[](int fd) { return uvc_set_h264_resolution(12, fd, 1280, 720); },
         "[L][uvc_set_h264_resolution] widthxheight:1280x720",
         Block({{8, {0xFE, 0xFF}}, {12, {0x00, 0x05}}, {14, {0xD0, 0x02}}})},
        {[](int fd) { return uvc_set_h264_framerate(12, fd, 30); },
         "[L][uvc_set_h264_framerate] framerate:30",
         Block({{0, {0x15, 0x16, 0x05, 0x00}}, {8, {0xFF, 0xF7}}})},
        {[](int fd) { return uvc_set_h264_profile(12, fd, UVCX_H264_wProfile_MAINPROFILE); },
         "[L][uvc_set_h264_profile] profile:19712", Block({{8, {0xFD, 0xFF}}, {20, {0x00, 0x4D}}})},
        {[](int fd) { return uvc_set_h264_rate_control_mode(12, fd, UVCX_RATE_CONTROL_VBR); },
         "[L][uvc_set_h264_rate_control_mode] mode:2", Block({{8, {0xFB, 0xFF}}, {29, {0x02}}})},
        {[](int fd) { return uvc_set_h264_bitrate(12, fd, 1920000); },
         "[L][uvc_set_h264_bitrate] bitrate:1920000",
         Block({{4, {0x00, 0x4C, 0x1D, 0x00}}, {8, {0xFF, 0xDF}}})},
        {[](int fd) { return uvc_set_h264_iframe_peroid(12, fd, 5); },
         "[L][uvc_set_h264_iframe_peroid] iframe peroid:5",
         Block({{8, {0xFF, 0x7F}}, {22, {0x05, 0x00}}})},
    };
    for (const Case &c : cases) {
        capture_.clear();
        EXPECT_EQ(0, c.set(fd_)) << c.line;
        const simcam::TraceEntry xu = OnlyXu();
        EXPECT_EQ(12, xu.unit);
        EXPECT_EQ(UVCX_VIDEO_CONFIG_COMMIT, xu.selector);
        EXPECT_EQ(UVC_SET_CUR, xu.query);
        EXPECT_EQ(46, xu.size);
        EXPECT_EQ(Hex(c.payload), Hex(xu.data)) << c.line;
        EXPECT_EQ(0, xu.result) << c.line;
        EXPECT_EQ(std::vector<LogEntry>({Info(c.line), Info(kCommitted)}), UvcLines(capture_));
    }
    // Each commit changed its own field only.
    const simcam::EncoderSettings enc = simcam::GetEncoder(kNode);
    EXPECT_EQ(1280, enc.width);
    EXPECT_EQ(720, enc.height);
    EXPECT_EQ(333333u, enc.frame_interval);
    EXPECT_EQ(0x4D00, enc.profile);
    EXPECT_EQ(2, enc.rate_control);
    EXPECT_EQ(1920000u, enc.bitrate);
    EXPECT_EQ(5, enc.iframe_period);
}

TEST_F(UvcCamera, ARefusedCommitFailsWithTheCamerasErrno) {
    // No such frame size: the camera stalls the request.
    EXPECT_EQ(-1, uvc_set_h264_resolution(12, fd_, 1000, 1000));
    EXPECT_EQ(
        std::vector<LogEntry>({Info("[L][uvc_set_h264_resolution] widthxheight:1000x1000"),
                               Error("[L][send_uvc_command_set] UVCX_VIDEO_CONFIG_COMMIT SET_CUR "
                                     "send_uvc_command_set, " +
                                     ErrnoText(EPIPE))}),
        UvcLines(capture_));
    EXPECT_EQ(1920, simcam::GetEncoder(kNode).width);
}

TEST_F(UvcCamera, ReadsReturnWhatTheCameraAnswers) {
    // The default camera: 1920x1080 at 1/30 s, high profile, CBR, 1920000 bit/s, period 1.
    int width = 0, height = 0, profile = 0, mode = 0, bitrate = 0, period = 0;
    unsigned fps = 0;
    EXPECT_EQ(0, uvc_get_h264_resolution(12, fd_, &width, &height));
    EXPECT_EQ(0, uvc_get_h264_framerate(12, fd_, &fps));
    EXPECT_EQ(0, uvc_get_h264_profile(12, fd_, &profile));
    EXPECT_EQ(0, uvc_get_h264_rate_control_mode(12, fd_, &mode));
    EXPECT_EQ(0, uvc_get_h264_bitrate(12, fd_, &bitrate));
    EXPECT_EQ(0, uvc_get_h264_iframe_peroid(12, fd_, &period));
    EXPECT_EQ(1920, width);
    EXPECT_EQ(1080, height);
    EXPECT_EQ(30u, fps);
    EXPECT_EQ(25600, profile);
    EXPECT_EQ(1, mode);
    EXPECT_EQ(1920000, bitrate);
    EXPECT_EQ(1, period);
    for (const simcam::TraceEntry &xu : simcam::TraceOf(simcam::Call::kXuQuery)) {
        EXPECT_EQ(12, xu.unit);
        EXPECT_EQ(UVCX_VIDEO_CONFIG_PROBE, xu.selector);
        EXPECT_EQ(UVC_GET_CUR, xu.query);
        EXPECT_EQ(46, xu.size);
    }
    EXPECT_EQ(std::vector<LogEntry>({
                  Info("[L][uvc_get_h264_resolution] fd:" + std::to_string(fd_)),
                  Info(kProbed),
                  Info("[L][uvc_get_h264_framerate] fd:" + std::to_string(fd_)),
                  Info(kProbed),
                  Info("[L][uvc_get_h264_profile] fd:" + std::to_string(fd_)),
                  Info(kProbed),
                  Info("[L][uvc_get_h264_rate_control_mode] unit:c fd:" + std::to_string(fd_)),
                  Info(kProbed),
                  Info("[L][uvc_get_h264_bitrate] unit:c fd:" + std::to_string(fd_)),
                  Info(kProbed),
                  Info("[L][uvc_get_h264_iframe_peroid] unit:c fd:" + std::to_string(fd_)),
                  Info(kProbed),
              }),
              UvcLines(capture_));

    // Fields with their top bit set read back as the signed values that were committed.
    ASSERT_EQ(0, uvc_set_h264_bitrate(12, fd_, -2));
    ASSERT_EQ(0, uvc_set_h264_iframe_peroid(12, fd_, -3));
    ASSERT_EQ(0, uvc_set_h264_framerate(12, fd_, 25));
    EXPECT_EQ(0, uvc_get_h264_bitrate(12, fd_, &bitrate));
    EXPECT_EQ(0, uvc_get_h264_iframe_peroid(12, fd_, &period));
    EXPECT_EQ(0, uvc_get_h264_framerate(12, fd_, &fps));
    EXPECT_EQ(-2, bitrate);
    EXPECT_EQ(-3, period);
    EXPECT_EQ(25u, fps);
}

TEST_F(UvcCamera, AZeroFrameIntervalReadsAsTheLargestFrameRate) {
    // 1/20000000 s is below the block's 100 ns unit: the camera answers dwFrameInterval 0.
    Open(orvtest::DefaultConfigWith(R"("intervals": ["1/30", "1/15"])",
                                    R"("intervals": ["1/20000000"])"));
    ASSERT_EQ(0u, simcam::GetEncoder(kNode).frame_interval);
    unsigned fps = 0;
    EXPECT_EQ(0, uvc_get_h264_framerate(12, fd_, &fps));
    EXPECT_EQ(0xFFFFFFFFu, fps);
}

TEST_F(UvcCamera, AFailingReadLeavesItsOutputs) {
    simcam::FailXu(kNode, 12, UVCX_VIDEO_CONFIG_PROBE, EIO);
    int width = -5, height = -6, profile = -7, mode = -8, bitrate = -9, period = -10;
    unsigned fps = 11;
    EXPECT_EQ(1, uvc_get_h264_resolution(12, fd_, &width, &height));
    EXPECT_EQ(1, uvc_get_h264_framerate(12, fd_, &fps));
    EXPECT_EQ(1, uvc_get_h264_profile(12, fd_, &profile));
    EXPECT_EQ(1, uvc_get_h264_rate_control_mode(12, fd_, &mode));
    EXPECT_EQ(1, uvc_get_h264_bitrate(12, fd_, &bitrate));
    EXPECT_EQ(1, uvc_get_h264_iframe_peroid(12, fd_, &period));
    EXPECT_EQ(-5, width);
    EXPECT_EQ(-6, height);
    EXPECT_EQ(11u, fps);
    EXPECT_EQ(-7, profile);
    EXPECT_EQ(-8, mode);
    EXPECT_EQ(-9, bitrate);
    EXPECT_EQ(-10, period);
    const std::vector<LogEntry> lines = UvcLines(capture_);
    ASSERT_EQ(12u, lines.size());
    for (size_t i = 1; i < lines.size(); i += 2)
        EXPECT_EQ(Error(kProbeFailed + ErrnoText(EIO)), lines[i]);
}

TEST_F(UvcCamera, MakerRequestsOnTheWire) {
    // A node whose H.264 unit is 13, as on the hosts that use that unit.
    Open(orvtest::DefaultConfigWith(R"("h264_unit": 12)", R"("h264_unit": 13)"));
    EXPECT_EQ(0, uvc_send_iframe_request(13, fd_));
    simcam::TraceEntry xu = OnlyXu();
    EXPECT_EQ(13, xu.unit);
    EXPECT_EQ(UVCX_PICTURE_TYPE_CONTROL, xu.selector);
    EXPECT_EQ(UVC_SET_CUR, xu.query);
    EXPECT_EQ(4, xu.size);
    EXPECT_EQ("00 00 00 00 ", Hex(xu.data));

    EXPECT_EQ(0, uvc_send_osd_cmd(fd_, 0x105));
    xu = OnlyXu();
    EXPECT_EQ(UVC_ENTITY_ID_XU_MENU, xu.unit);
    EXPECT_EQ(0x05, xu.selector);
    EXPECT_EQ(UVC_SET_CUR, xu.query);
    EXPECT_EQ(1, xu.size);
    EXPECT_EQ("05 ", Hex(xu.data));
    EXPECT_EQ(5, simcam::LastOsdCommand(kNode));

    EXPECT_EQ(
        std::vector<LogEntry>({
            Info("[L][uvc_send_iframe_request] UVCX_PICTURE_TYPE_CONTROL SET_CUR "
                 "uvc_send_iframe_request ret: 0"),
            Info("[L][uvc_send_osd_cmd] UVC_ENTITY_ID_XU_MENU SET_CUR uvc_send_osd_cmd ret: 0"),
        }),
        UvcLines(capture_));
}

TEST_F(UvcCamera, MakerReadsHandBackTheCamerasByte) {
    simcam::SetOsdStatus(kNode, 0xFF);
    simcam::SetHdmiInput(kNode, 0xA5);
    EXPECT_EQ(255, uvc_get_osd_status(fd_));
    simcam::TraceEntry xu = OnlyXu();
    EXPECT_EQ(UVC_ENTITY_ID_XU_MENU, xu.unit);
    EXPECT_EQ(UVCX_MENU_CTRL_STATUS, xu.selector);
    EXPECT_EQ(UVC_GET_CUR, xu.query);
    EXPECT_EQ(1, xu.size);

    uint8_t state[2] = {0, 0x77};
    EXPECT_EQ(0, uvc_get_hdmiin_state(fd_, state));
    EXPECT_EQ(0xA5, state[0]);
    EXPECT_EQ(0x77, state[1]);  // one byte only
    xu = OnlyXu();
    EXPECT_EQ(UVC_ENTITY_ID_XU_HDMIIN, xu.unit);
    EXPECT_EQ(1, xu.selector);
    EXPECT_EQ(UVC_GET_CUR, xu.query);
    EXPECT_EQ(1, xu.size);

    simcam::SetOsdStatus(kNode, 0);
    EXPECT_EQ(0, uvc_get_osd_status(fd_));
    EXPECT_EQ(std::vector<LogEntry>({
                  Info("[L][uvc_get_osd_status] UVCX_MENU_CTRL_STATUS GET_CUR uvc_get_osd_status "
                       "ret: 0"),
                  Info("[L][send_uvc_hdmiin_state_get] UVCX_VIDEO_CONFIG_PROBE GET_CUR "
                       "send_uvc_hdmiin_state_get ret: 0"),
                  Info("[L][uvc_get_osd_status] UVCX_MENU_CTRL_STATUS GET_CUR uvc_get_osd_status "
                       "ret: 0"),
              }),
              UvcLines(capture_));
}

TEST_F(UvcCamera, RefusedMakerRequestsGiveMinusOneAndLeaveTheByte) {
    simcam::FailXu(kNode, UVC_ENTITY_ID_XU_HDMIIN, 1, EPIPE);
    simcam::FailXu(kNode, UVC_ENTITY_ID_XU_MENU, UVCX_MENU_CTRL_STATUS, EPIPE);
    simcam::FailXu(kNode, UVC_ENTITY_ID_XU_MENU, 0x05, EPIPE);
    simcam::FailXu(kNode, 12, UVCX_PICTURE_TYPE_CONTROL, EPIPE);
    uint8_t state = 0x5A;
    EXPECT_EQ(-1, uvc_get_hdmiin_state(fd_, &state));
    EXPECT_EQ(0x5A, state);
    EXPECT_EQ(-1, uvc_get_osd_status(fd_));
    EXPECT_EQ(-1, uvc_send_osd_cmd(fd_, 0x105));
    EXPECT_EQ(-1, uvc_send_iframe_request(12, fd_));
    const std::string pipe = ErrnoText(EPIPE);
    EXPECT_EQ(std::vector<LogEntry>({
                  Error("[L][send_uvc_hdmiin_state_get] UVCX_VIDEO_CONFIG_PROBE GET_CUR "
                        "send_uvc_hdmiin_state_get, " +
                        pipe),
                  Error("[L][uvc_get_osd_status] uvc_get_osd_status GET_CUR , " + pipe),
                  Error("[L][uvc_send_osd_cmd] uvc_send_osd_cmd SET_CUR , " + pipe),
                  Error("[L][uvc_send_iframe_request] UVCX_PICTURE_TYPE_CONTROL SET_CUR "
                        "uvc_send_iframe_request, " +
                        pipe),
              }),
              UvcLines(capture_));
}

}  // namespace
