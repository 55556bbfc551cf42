// The discovery scan against the simulated camera with several configured nodes.
#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "camera_device.h"
#include "camera_discovery.h"
#include "discovery_test_util.h"
#include "log_capture.h"
#include "scoped_property.h"
#include "simcam/simcam.h"
#include "usb/usb_camera.h"

namespace {

using disctest::SimNode;
using orvtest::LogEntry;
using orvtest::device::Debug;
using orvtest::device::Error;

constexpr uint16_t kVendor = ORV_USB_VENDOR_ID;
constexpr uint16_t kForeignVendor = 0x046d;
constexpr uint16_t kUnlisted = 0x4f99;  // the maker's, in neither table
const uint16_t kCamera = static_cast<uint16_t>(ORV_CAMERA_IDS[0].product);
const uint16_t kDualStream = static_cast<uint16_t>(ORV_DUAL_STREAM_IDS[2].product);
const uint16_t kListedOther = static_cast<uint16_t>(ORV_CAMERA_IDS[1].product);

struct Entry {
    std::string name;
    int type, vendor, product, h264, h265;
    bool operator==(const Entry &o) const {
        return name == o.name && type == o.type && vendor == o.vendor && product == o.product &&
               h264 == o.h264 && h265 == o.h265;
    }
};

std::ostream &operator<<(std::ostream &os, const Entry &e) {
    return os << e.name << " type " << e.type << " " << std::hex << e.vendor << ":" << e.product
              << std::dec << " h264 " << e.h264 << " h265 " << e.h265;
}

class DiscoveryScan : public ::testing::Test {
  protected:
    void Load(const std::vector<SimNode> &nodes) {
        simcam::LoadConfigText(disctest::ConfigJson(nodes));
        capture_.clear();
    }

    // Runs the scan into a table pre-filled with 0xA5 bytes, so writes past the count show.
    std::vector<Entry> Scan() {
        std::memset(out_, 0xA5, sizeof out_);
        const int count = discovery_orv_camera(out_);
        std::vector<Entry> entries;
        for (int i = 0; i < count; ++i)
            entries.push_back({out_[i].name, out_[i].type, out_[i].vendor_id, out_[i].product_id,
                               out_[i].supports_h264, out_[i].supports_h265});
        return entries;
    }

    // Every descriptor the scan opened on a simulated node was closed again.
    void ExpectEveryOpenClosed() {
        int opened = 0, closed = 0;
        for (const simcam::TraceEntry &e : simcam::Trace()) {
            opened += e.call == simcam::Call::kOpen && e.result >= 0;
            closed += e.call == simcam::Call::kClose;
        }
        EXPECT_EQ(opened, closed);
    }

    orvtest::ScopedProperty level_{"orv.log.level", "3"};
    orvtest::LogCapture capture_;
    DiscoveredCamera out_[ORV_DISCOVERY_MAX_CAMERAS + 1];
};

TEST_F(DiscoveryScan, ListsTheMakersH264AndCode0NodesInNodeOrderWithTheirTypes) {
    Load({
        {"/dev/video0", kForeignVendor, 0x085c, {"MJPG", "H264"}},  // another maker's
        {"/dev/video1", kVendor, kCamera, {"MJPG", "YUYV", "H264"}},
        {"/dev/video2", kVendor, kListedOther, {"MJPG", "YUYV"}},  // neither format
        {"/dev/video3", kVendor, ORV_SWITCHBOX_PRODUCT_ID, {"0"}},
        {"/dev/video5", kVendor, kUnlisted, {"H264"}},
        {"/dev/video7", kVendor, kDualStream, {"H264", "0"}},
    });
    const std::vector<Entry> expected = {
        {"/dev/video1", 1, kVendor, kCamera, 1, 0},
        {"/dev/video3", 2, kVendor, ORV_SWITCHBOX_PRODUCT_ID, 0, 1},
        {"/dev/video5", 0, kVendor, kUnlisted, 1, 0},
        {"/dev/video7", 1, kVendor, kDualStream, 1, 1},
    };
    EXPECT_EQ(expected, Scan());
    // The entry after the last is not written.
    EXPECT_EQ(static_cast<char>(0xA5), out_[4].name[0]);
    ExpectEveryOpenClosed();

    const std::string op = "discovery_orv_camera";
    const std::vector<LogEntry> lines = orvtest::DeviceLines(capture_);
    const std::vector<LogEntry> listed = {
        Debug(op, " find orv h264 camera /dev/video1 "),
        Debug(op, " find orv video device name /dev/video1, type 0001 "),
        Debug(op, " find orv h264 camera /dev/video3 "),
        Debug(op, " find orv video device name /dev/video3, type 0002 "),
        Debug(op, " find orv h264 camera /dev/video5 "),
        Debug(op, " find orv video device name /dev/video5, type 0000 "),
        Debug(op, " find orv h264 camera /dev/video7 "),
        Debug(op, " find orv video device name /dev/video7, type 0001 "),
    };
    std::vector<LogEntry> found;
    for (const LogEntry &e : lines)
        if (e.text.find(" find orv") != std::string::npos)
            found.push_back(e);
    EXPECT_EQ(listed, found);
    // The two absent nodes are only DEBUG lines; nothing else is logged by the scan.
    EXPECT_EQ(listed.size() + 2, lines.size());
}

TEST_F(DiscoveryScan, UnreadableNodesAreLoggedAndLeaveNoGap) {
    Load({
        {"/dev/video0", kVendor, kCamera, {"H264"}, false},  // identity unknown to the driver
        {"/dev/video1", kVendor, kCamera, {"H264"}},
        {"/dev/video2", kVendor, kCamera, {"H264"}},
        {"/dev/video3", kVendor, kDualStream, {"H264"}},
    });
    simcam::FailOpen("/dev/video1", EACCES);
    simcam::FailOpen("/dev/video2", EBUSY);
    capture_.clear();
    const std::vector<Entry> expected = {{"/dev/video3", 1, kVendor, kDualStream, 1, 0}};
    EXPECT_EQ(expected, Scan());
    ExpectEveryOpenClosed();

    const std::string op = "discovery_orv_camera";
    const std::vector<LogEntry> lines = orvtest::DeviceLines(capture_);
    ASSERT_GE(lines.size(), 4u);
    const std::vector<LogEntry> first = {
        Error(op, " cannot get video vendor id and product id /dev/video0 \n"),
        Error(op, " cannot access to /dev/video1 , " + std::string(strerror(EACCES))),
        Debug(op, " cannot open device /dev/video2 , " + std::string(strerror(EBUSY))),
        Debug(op, " find orv h264 camera /dev/video3 "),
    };
    EXPECT_EQ(first, std::vector<LogEntry>(lines.begin(), lines.begin() + 4));
    EXPECT_EQ(Debug(op, " cannot open device /dev/video4 , " + std::string(strerror(ENOENT))),
              lines[5]);
}

TEST_F(DiscoveryScan, NodeOpenInTheTableIsListedThroughItsDescriptorAndKeepsStreaming) {
    static const int table = init_camera_device();
    ASSERT_EQ(0, table);
    Load({
        {"/dev/video0", kForeignVendor, 0x085c, {"H264"}},
        {"/dev/video1", kVendor, kCamera, {"H264"}},
    });
    const char *node = "/dev/video1";
    simcam::SetClock(node, simcam::Clock::kStepped);
    const CameraParams params = {0x34363248, 640, 480, 30, 1, 31, 2, 1920000, 5};
    const int fd = open_device(12, node, &params, 0, nullptr);
    ASSERT_GT(fd, 0);
    ASSERT_EQ(0, start_capture(fd));
    ASSERT_EQ(1, simcam::ReleaseFrames(node, 1));
    simcam::ClearTrace();
    capture_.clear();

    const std::vector<Entry> expected = {{node, 1, kVendor, kCamera, 1, 0}};
    EXPECT_EQ(expected, Scan());
    int h264 = 0, h265 = 0;  // a by-path query opens a second descriptor meanwhile
    EXPECT_EQ(0, camera_pixel_format_support_dev(node, &h264, &h265));
    EXPECT_EQ(1, h264);

    int opens_of_node = 0, closes_of_table_fd = 0, requests_on_table_fd = 0;
    for (const simcam::TraceEntry &e : simcam::Trace()) {
        opens_of_node += e.call == simcam::Call::kOpen && e.path == node;
        closes_of_table_fd += e.call == simcam::Call::kClose && e.fd == fd;
        requests_on_table_fd += e.fd == fd;
    }
    EXPECT_EQ(1, opens_of_node);  // the by-path query's, not the scan's
    EXPECT_EQ(0, closes_of_table_fd);
    EXPECT_GT(requests_on_table_fd, 0);
    const std::vector<LogEntry> lines = orvtest::DeviceLines(capture_);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(Debug("discovery_orv_camera", " find opened h264 video -> /dev/video1"), lines[0]);

    // The stream goes on through the same descriptor.
    unsigned char *data = nullptr;
    EXPECT_GT(read_h264_data(fd, &data), 0);
    EXPECT_NE(nullptr, data);
    stop_capture(fd);
    close_device(fd);

    // Scans racing opens and closes of the node (its number then taken by another file).
    std::atomic<bool> stop{false};
    std::thread owner([&] {
        while (!stop.load()) {
            close_device(open_device(12, node, &params, 0, nullptr));
            const int other = open("/dev/null", O_RDWR);
            for (int k = 0; k < 20; ++k)
                std::this_thread::yield();
            close(other);
        }
    });
    for (int i = 0; i < 300; ++i)
        EXPECT_EQ(expected, Scan()) << "scan " << i;
    stop = true;
    owner.join();
}

TEST_F(DiscoveryScan, EmptyMachineAndNullTable) {
    Load({{"/dev/video0", kForeignVendor, 0x085c, {"H264"}}});
    EXPECT_EQ(std::vector<Entry>{}, Scan());
    EXPECT_EQ(0, discovery_orv_camera(nullptr));
}

TEST(IdentityRules, CamerasSwitchboxAndVendor) {
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(1, is_orv_camera(kVendor, static_cast<int>(ORV_CAMERA_IDS[i].product))) << i;
    for (const OrvUsbId &id : ORV_DUAL_STREAM_IDS)
        EXPECT_EQ(1, is_orv_camera(kVendor, static_cast<int>(id.product)));
    EXPECT_EQ(-1, is_orv_camera(kVendor, ORV_SWITCHBOX_PRODUCT_ID));
    EXPECT_EQ(-1, is_orv_camera(kVendor, kUnlisted));
    EXPECT_EQ(-1, is_orv_camera(kForeignVendor, kCamera));
    EXPECT_EQ(-1, is_orv_camera(kVendor - 0x10000, kCamera));  // ids are not cut to 16 bits

    EXPECT_EQ(1, is_orv_switchbox(kVendor, ORV_SWITCHBOX_PRODUCT_ID));
    EXPECT_EQ(-1, is_orv_switchbox(kVendor, kCamera));
    EXPECT_EQ(-1, is_orv_switchbox(kForeignVendor, ORV_SWITCHBOX_PRODUCT_ID));

    EXPECT_EQ(1, is_orv_device(kVendor));
    EXPECT_EQ(-1, is_orv_device(kForeignVendor));
    EXPECT_STREQ("2.1.2", get_sdk_version());
}

}  // namespace
