// Queries and commands by node path and by descriptor, against the simulated camera.
#include <errno.h>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "camera_discovery.h"
#include "discovery_test_util.h"
#include "log_capture.h"
#include "scoped_property.h"
#include "simcam/simcam.h"

namespace {

using orvtest::LogEntry;
using orvtest::device::Debug;
using orvtest::device::Error;
using orvtest::device::Info;

constexpr const char *kNode = "/dev/video0";
constexpr const char *kMissing = "/dev/video6";

// Opens and closes of simulated nodes in the trace since it was last cleared.
struct OpenCount {
    int opened = 0, closed = 0;
};
OpenCount CountOpens() {
    OpenCount c;
    for (const simcam::TraceEntry &e : simcam::Trace()) {
        c.opened += e.call == simcam::Call::kOpen && e.result >= 0;
        c.closed += e.call == simcam::Call::kClose;
    }
    return c;
}

class ByPath : public ::testing::Test {
  protected:
    void SetUp() override {
        simcam::LoadDefaultConfig();
        capture_.clear();
    }
    void TearDown() override {
        const OpenCount c = CountOpens();
        EXPECT_EQ(c.opened, c.closed) << "a by-path call left its descriptor open";
    }
    std::vector<LogEntry> Lines() const { return orvtest::DeviceLines(capture_); }

    orvtest::ScopedProperty level_{"orv.log.level", "3"};
    orvtest::LogCapture capture_;
};

TEST_F(ByPath, FrameSizesAndRatesOfTheNode) {
    char sizes[64] = "keep", rates[64] = "keep";
    EXPECT_EQ(0, camera_get_support_frame_sizes(kNode, V4L2_PIX_FMT_H264, sizes, sizeof sizes,
                                                rates, sizeof rates));
    EXPECT_STREQ("1920x1080,1280x720,640x480", sizes);
    EXPECT_STREQ("30,15", rates);

    char all_sizes[64] = "keep", all_rates[64] = "keep";
    EXPECT_EQ(0, camera_get_support_resolutions(kNode, all_sizes, sizeof all_sizes, all_rates,
                                                sizeof all_rates));
    EXPECT_STREQ("1920x1080,1280x720,640x480", all_sizes);
    EXPECT_STREQ("30,15", all_rates);

    int h264 = -1, h265 = -1;
    EXPECT_EQ(0, camera_pixel_format_support_dev(kNode, &h264, &h265));
    EXPECT_EQ(1, h264);
    EXPECT_EQ(0, h265);
}

TEST_F(ByPath, NegativeCapacityIsNoRoomNotAHugeOne) {
    char sizes[8] = "keep", rates[8] = "keep";
    EXPECT_EQ(0, camera_get_support_frame_sizes(kNode, V4L2_PIX_FMT_H264, sizes, -1, rates, -2));
    EXPECT_STREQ("keep", sizes);
    EXPECT_STREQ("keep", rates);
    EXPECT_EQ(0, camera_get_support_resolutions(kNode, sizes, -100, rates, -1));
    EXPECT_STREQ("keep", sizes);
    EXPECT_STREQ("keep", rates);
}

TEST_F(ByPath, OpenFailuresGiveMinusOneWithTheirLines) {
    simcam::FailOpen(kNode, EACCES);
    int h264 = 7, h265 = 7;
    EXPECT_EQ(-1, camera_pixel_format_support_dev(kNode, &h264, &h265));
    EXPECT_EQ(7, h264);
    EXPECT_EQ(-1, camera_get_hdmiin_state(kMissing));
    EXPECT_EQ(-1, get_osd_status_by_dev_name(kMissing));
    EXPECT_EQ(-1, send_osd_command_by_dev_name(kNode, 1));
    char sizes[8] = "keep", rates[8] = "keep";
    EXPECT_EQ(-1, camera_get_support_frame_sizes(kMissing, V4L2_PIX_FMT_H264, sizes, 8, rates, 8));
    EXPECT_EQ(-1, camera_get_support_resolutions(nullptr, sizes, 8, rates, 8));
    EXPECT_STREQ("keep", sizes);

    const std::string denied = " cannot access to /dev/video0 , " + std::string(strerror(EACCES));
    const std::string missing =
        " cannot open device /dev/video6 , " + std::string(strerror(ENOENT));
    const std::vector<LogEntry> expected = {
        Error("camera_pixel_format_support_dev", denied),
        Debug("camera_get_hdmiin_state", missing),
        Info("get_osd_status_by_dev_name", " "),
        Debug("get_osd_status_by_dev_name", missing),
        Error("send_osd_command_by_dev_name", denied),
        Debug("camera_get_support_frame_sizes", missing),
    };
    EXPECT_EQ(expected, Lines());
}

TEST_F(ByPath, MakersUnitsAnswerThroughTheirOwnDescriptor) {
    simcam::SetHdmiInput(kNode, 0xFF);
    simcam::SetOsdStatus(kNode, 0x5A);
    EXPECT_EQ(255, camera_get_hdmiin_state(kNode));
    EXPECT_EQ(0x5A, get_osd_status_by_dev_name(kNode));
    EXPECT_EQ(0, send_osd_command_by_dev_name(kNode, 0x105));
    EXPECT_EQ(5, simcam::LastOsdCommand(kNode));
    EXPECT_EQ(0, send_menu_command_by_dev_name(kNode, 0x2A));
    EXPECT_EQ(0x2A, simcam::LastOsdCommand(kNode));

    simcam::FailXu(kNode, 0x15, 1, EPIPE);
    EXPECT_EQ(-1, camera_get_hdmiin_state(kNode));

    const std::vector<LogEntry> lines = Lines();
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ(Info("get_osd_status_by_dev_name", " "), lines[0]);
    EXPECT_EQ(Info("get_osd_status_by_dev_name", " osd status: 90"), lines[1]);
    EXPECT_EQ(Info("send_menu_command_by_dev_name", " /dev/video0 cmd=0x2a"), lines[2]);
    EXPECT_EQ(0u,
              lines[3].text.find(
                  "[camera_device:L] [send_menu_command_by_dev_name] open ok, dev:/dev/video0 fd:"))
        << lines[3];
}

TEST_F(ByPath, MenuCommandOnAMissingNodeLogsTheOpenError) {
    EXPECT_EQ(-1, send_menu_command_by_dev_name(kMissing, 3));
    EXPECT_EQ(-1, send_menu_command_by_dev_name(nullptr, 3));
    const std::vector<LogEntry> expected = {
        Info("send_menu_command_by_dev_name", " /dev/video6 cmd=0x3"),
        Error("send_menu_command_by_dev_name",
              " open error, fd:-1 dev:/dev/video6, errno:2(" + std::string(strerror(ENOENT)) + ")"),
    };
    EXPECT_EQ(expected, Lines());
}

// Commands by descriptor, on a descriptor of the node opened here.
class ByDescriptor : public ByPath {
  protected:
    void SetUp() override {
        ByPath::SetUp();
        fd_ = open(kNode, O_RDWR | O_NONBLOCK);
        ASSERT_GT(fd_, 0);
        simcam::ClearTrace();
    }
    void TearDown() override {
        close(fd_);
        simcam::ClearTrace();
    }
    std::vector<simcam::TraceEntry> Sets() const { return simcam::TraceOf(simcam::Call::kSetCtrl); }

    int fd_ = -1;
};

TEST_F(ByDescriptor, PtzMovementsSetTheirSpeedControl) {
    struct Case {
        unsigned movement;
        uint32_t id;
    };
    const Case cases[] = {{0, 0x009A0920}, {1, 0x009A0920}, {2, 0x009A0921},
                          {3, 0x009A0921}, {4, 0x009A090F}, {5, 0x009A090F}};
    for (const Case &c : cases) {
        simcam::ClearTrace();
        EXPECT_EQ(0, start_ptz(fd_, c.movement, -1)) << c.movement;
        EXPECT_EQ(0, stop_ptz(fd_, c.movement)) << c.movement;
        const std::vector<simcam::TraceEntry> sets = Sets();
        ASSERT_EQ(2u, sets.size()) << c.movement;
        EXPECT_EQ(c.id, sets[0].id);
        EXPECT_EQ(-1, sets[0].value);
        EXPECT_EQ(c.id, sets[1].id);
        EXPECT_EQ(0, sets[1].value);
    }
}

TEST_F(ByDescriptor, UnknownMovementsAndBadDescriptorsTouchNothing) {
    EXPECT_EQ(-1, start_ptz(fd_, 6, 1));
    EXPECT_EQ(-1, start_ptz(fd_, static_cast<unsigned>(-1), 1));
    EXPECT_EQ(-1, stop_ptz(fd_, 6));
    EXPECT_EQ(-1, start_ptz(0, 0, 1));
    EXPECT_EQ(-1, send_uvc_command(12, fd_, 1));
    EXPECT_EQ(-1, send_uvc_command(12, 0, 0));
    EXPECT_EQ(-1, send_menu_command(0, 1));
    EXPECT_EQ(-1, send_osd_command(0, 1));
    EXPECT_EQ(std::vector<simcam::TraceEntry>{}.size(), simcam::Trace().size());
}

TEST_F(ByDescriptor, MovementOneAtSpeedZeroStopsLikeStop) {
    EXPECT_EQ(0, start_ptz(fd_, 1, 0));
    EXPECT_EQ(0, stop_ptz(fd_, 0));
    const std::vector<simcam::TraceEntry> sets = Sets();
    ASSERT_EQ(2u, sets.size());
    for (const simcam::TraceEntry &e : sets) {
        EXPECT_EQ(0x009A0920u, e.id);
        EXPECT_EQ(0, e.value);
    }
}

TEST_F(ByDescriptor, IFrameAndMenuCommandsReachTheirUnits) {
    EXPECT_EQ(0, send_uvc_command(12, fd_, 0));
    const std::vector<simcam::TraceEntry> xu = simcam::TraceOf(simcam::Call::kXuQuery);
    ASSERT_EQ(1u, xu.size());
    EXPECT_EQ(12, xu[0].unit);
    EXPECT_EQ(9, xu[0].selector);
    EXPECT_EQ(std::vector<uint8_t>(4, 0), xu[0].data);
    EXPECT_EQ(0, send_menu_command(fd_, 0x107));
    EXPECT_EQ(7, simcam::LastOsdCommand(kNode));
    EXPECT_EQ(0, send_osd_command(fd_, 0x08));
    EXPECT_EQ(8, simcam::LastOsdCommand(kNode));

    const std::vector<LogEntry> expected = {
        Info("send_uvc_command", ""),
        Info("send_menu_command", " cmd=0x107"),
    };
    EXPECT_EQ(expected, Lines());
}

}  // namespace
