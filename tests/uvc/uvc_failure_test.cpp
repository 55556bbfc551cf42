// Every request on a descriptor that is not open: the failure results, outputs left as they
// were, and the exact log lines.
#include <gtest/gtest.h>
#include <linux/uvcvideo.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "log_capture.h"
#include "scoped_property.h"
#include "uvc/uvc_h264.h"
#include "uvc/uvc_maker_commands.h"
#include "uvc/uvc_xu_query.h"
#include "uvc_test_util.h"

namespace {

using orvtest::LogEntry;
using orvtest::UvcLines;
using orvtest::uvc::Error;
using orvtest::uvc::Info;

constexpr int kBadFd = -1;

// What the platform answers an extension-unit query on a closed descriptor: EBADF from the
// kernel, though an emulator may refuse the request itself first.
std::string BadFdErrno() {
    struct uvc_xu_control_query q = {};
    uint8_t byte = 0;
    q.size = 1;
    q.data = &byte;
    errno = 0;
    EXPECT_EQ(-1, ioctl(kBadFd, UVCIOC_CTRL_QUERY, &q));
    return orvtest::ErrnoText(errno);
}
const std::string kCommitFailed =
    "[L][send_uvc_command_set] UVCX_VIDEO_CONFIG_COMMIT SET_CUR send_uvc_command_set, ";
const std::string kProbeFailed =
    "[L][send_uvc_command_get] UVCX_VIDEO_CONFIG_PROBE GET_CUR send_uvc_command_get, ";

class UvcFailure : public ::testing::Test {
  protected:
    orvtest::ScopedProperty level_{"orv.log.level", "2"};
    orvtest::LogCapture capture_;
    const std::string kEbadf = BadFdErrno();
};

struct SetCase {
    std::function<int()> call;
    std::string first_line;
};

TEST_F(UvcFailure, SetsReturnMinusOneAfterTheirOwnLine) {
    const SetCase cases[] = {
        {[] { return uvc_set_h264_resolution(12, kBadFd, 1280, 720); },
         "[L][uvc_set_h264_resolution] widthxheight:1280x720"},
        {[] { return uvc_set_h264_framerate(12, kBadFd, 30); },
         "[L][uvc_set_h264_framerate] framerate:30"},
        {[] { return uvc_set_h264_profile(12, kBadFd, UVCX_H264_wProfile_MAINPROFILE); },
         "[L][uvc_set_h264_profile] profile:19712"},
        {[] { return uvc_set_h264_rate_control_mode(12, kBadFd, 2); },
         "[L][uvc_set_h264_rate_control_mode] mode:2"},
        {[] { return uvc_set_h264_bitrate(12, kBadFd, 1920000); },
         "[L][uvc_set_h264_bitrate] bitrate:1920000"},
        {[] { return uvc_set_h264_iframe_peroid(13, kBadFd, 5); },
         "[L][uvc_set_h264_iframe_peroid] iframe peroid:5"},
    };
    for (const SetCase &c : cases) {
        capture_.clear();
        EXPECT_EQ(-1, c.call()) << c.first_line;
        EXPECT_EQ(std::vector<LogEntry>({Info(c.first_line), Error(kCommitFailed + kEbadf)}),
                  UvcLines(capture_));
    }
}

TEST_F(UvcFailure, GetsReturnOneAndLeaveTheirOutputs) {
    int width = 111, height = 222, profile = 333, mode = 444, bitrate = 555, period = 666;
    unsigned fps = 777;
    struct GetCase {
        std::function<int()> call;
        std::string first_line;
    } cases[] = {
        {[&] { return uvc_get_h264_resolution(12, kBadFd, &width, &height); },
         "[L][uvc_get_h264_resolution] fd:-1"},
        {[&] { return uvc_get_h264_framerate(12, kBadFd, &fps); },
         "[L][uvc_get_h264_framerate] fd:-1"},
        {[&] { return uvc_get_h264_profile(12, kBadFd, &profile); },
         "[L][uvc_get_h264_profile] fd:-1"},
        {[&] { return uvc_get_h264_rate_control_mode(12, kBadFd, &mode); },
         "[L][uvc_get_h264_rate_control_mode] unit:c fd:-1"},
        {[&] { return uvc_get_h264_bitrate(13, kBadFd, &bitrate); },
         "[L][uvc_get_h264_bitrate] unit:d fd:-1"},
        {[&] { return uvc_get_h264_iframe_peroid(0x1ab, kBadFd, &period); },
         "[L][uvc_get_h264_iframe_peroid] unit:1ab fd:-1"},
    };
    for (const GetCase &c : cases) {
        capture_.clear();
        EXPECT_EQ(1, c.call()) << c.first_line;
        EXPECT_EQ(std::vector<LogEntry>({Info(c.first_line), Error(kProbeFailed + kEbadf)}),
                  UvcLines(capture_));
    }
    EXPECT_EQ(111, width);
    EXPECT_EQ(222, height);
    EXPECT_EQ(777u, fps);
    EXPECT_EQ(333, profile);
    EXPECT_EQ(444, mode);
    EXPECT_EQ(555, bitrate);
    EXPECT_EQ(666, period);
}

TEST_F(UvcFailure, MakerCommandsReturnMinusOneWithTheirOwnLines) {
    uint8_t hdmi[2] = {0xA5, 0x5A};
    EXPECT_EQ(-1, uvc_send_iframe_request(13, kBadFd));
    EXPECT_EQ(-1, uvc_get_hdmiin_state(kBadFd, hdmi));
    EXPECT_EQ(-1, uvc_send_osd_cmd(kBadFd, 0x105));
    EXPECT_EQ(-1, uvc_get_osd_status(kBadFd));
    EXPECT_EQ(0xA5, hdmi[0]);
    EXPECT_EQ(0x5A, hdmi[1]);
    EXPECT_EQ(std::vector<LogEntry>({
                  Error("[L][uvc_send_iframe_request] UVCX_PICTURE_TYPE_CONTROL SET_CUR "
                        "uvc_send_iframe_request, " +
                        kEbadf),
                  Error("[L][send_uvc_hdmiin_state_get] UVCX_VIDEO_CONFIG_PROBE GET_CUR "
                        "send_uvc_hdmiin_state_get, " +
                        kEbadf),
                  Error("[L][uvc_send_osd_cmd] uvc_send_osd_cmd SET_CUR , " + kEbadf),
                  Error("[L][uvc_get_osd_status] uvc_get_osd_status GET_CUR , " + kEbadf),
              }),
              UvcLines(capture_));
}

TEST_F(UvcFailure, ANullBlockFailsWithoutReachingTheDevice) {
    // /dev/null accepts the descriptor, so only the missing block can make these fail.
    FILE *null_dev = fopen("/dev/null", "r");
    ASSERT_NE(nullptr, null_dev);
    const int fd = fileno(null_dev);
    EXPECT_EQ(-1, send_uvc_command_set(12, fd, nullptr));
    EXPECT_EQ(1, send_uvc_command_get(12, fd, nullptr));
    fclose(null_dev);
    EXPECT_EQ(std::vector<LogEntry>({Error(kCommitFailed + orvtest::ErrnoText(EFAULT)),
                                     Error(kProbeFailed + orvtest::ErrnoText(EFAULT))}),
              UvcLines(capture_));
}

}  // namespace
