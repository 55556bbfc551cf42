// The USB module against real libusb on a simulated bus (umockdev).
#include <gtest/gtest.h>

#include <dirent.h>
#include <libusb.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "log_capture.h"
#include "orv_log.h"
#include "scoped_property.h"
#include "sim_usb_bus.h"
#include "usb/usb_camera.h"

namespace {

using orvtest::LogEntry;
using orvtest::SimUsbDevice;
using orvtest::UsbfsIoctlRecorder;
using BusOrder = std::vector<std::pair<unsigned, unsigned>>;
using Lines = std::vector<std::string>;

constexpr uint16_t kVendor = ORV_USB_VENDOR_ID;
const uint16_t kCamera = static_cast<uint16_t>(ORV_CAMERA_IDS[0].product);
const uint16_t kDualStream = static_cast<uint16_t>(ORV_DUAL_STREAM_IDS[1].product);
constexpr uint16_t kUnlisted = 0x4f99;  // the maker's, in neither table
constexpr uint16_t kHubVendor = 0x1d6b;
constexpr uint16_t kHubProduct = 0x0002;
constexpr int kUntouched = 0x7777;

TEST(UsbIdTables, ShapeOfTheMakersIdentifiers) {
    for (const OrvUsbId &id : ORV_CAMERA_IDS)
        EXPECT_EQ(static_cast<uint32_t>(ORV_USB_VENDOR_ID), id.vendor);
    EXPECT_EQ(static_cast<uint32_t>(ORV_SWITCHBOX_PRODUCT_ID), ORV_CAMERA_IDS[8].product);
    for (int i = 0; i < 8; ++i)
        for (int j = i + 1; j < 9; ++j)
            EXPECT_NE(ORV_CAMERA_IDS[i].product, ORV_CAMERA_IDS[j].product) << i << "," << j;
    for (const OrvUsbId &dual : ORV_DUAL_STREAM_IDS) {
        int found = 0;
        for (int i = 0; i < 8; ++i)
            found += dual.vendor == ORV_CAMERA_IDS[i].vendor &&
                     dual.product == ORV_CAMERA_IDS[i].product;
        EXPECT_EQ(1, found) << std::hex << dual.product;
    }
    EXPECT_EQ(static_cast<uint32_t>(ORV_DEFAULT_SIM_PRODUCT_ID), ORV_CAMERA_IDS[0].product);
}

class UsbCameraTest : public ::testing::Test {
  protected:
    void TearDown() override { usb_camera_uninit(); }

    // One query between usb_camera_init and usb_camera_uninit, as the manager runs it.
    template <typename Query>
    int Bracketed(Query query) {
        EXPECT_EQ(0, usb_camera_init());
        const int r = query();
        usb_camera_uninit();
        return r;
    }

    Lines UsbLines() const { return capture_.texts(ORV_TAG_USB); }

    orvtest::SimUsbBus bus_;
    orvtest::ScopedProperty level_{"orv.log.level", "4"};
    orvtest::LogCapture capture_;
    int vendor_ = kUntouched;
    int product_ = kUntouched;
};

TEST_F(UsbCameraTest, EveryQueryNeedsAnOpenContext) {
    bus_.Add({1, 2, kVendor, kCamera, 0x1234});
    UsbfsIoctlRecorder node(bus_, "/dev/bus/usb/001/002");
    char version[16] = "untouched";

    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(-1, usb_camera_has_orv_camera(&vendor_, &product_));
        EXPECT_EQ(-1, usb_camera_has_orv_dual_stream_camera(&vendor_, &product_));
        EXPECT_EQ(-1, usb_camera_get_version(version, kVendor, kCamera));
        EXPECT_EQ(-1, usb_camera_reset(kVendor, kCamera));
        // Closed again after a bracket, and a second uninit is harmless.
        EXPECT_EQ(0, usb_camera_init());
        usb_camera_uninit();
        usb_camera_uninit();
    }
    EXPECT_EQ(kUntouched, vendor_);
    EXPECT_EQ(kUntouched, product_);
    EXPECT_STREQ("untouched", version);
    EXPECT_TRUE(node.requests().empty());
    EXPECT_EQ(Lines(), UsbLines());
}

size_t OpenDescriptorCount() {
    size_t n = 0;
    DIR *dir = opendir("/proc/self/fd");
    while (dir != nullptr && readdir(dir) != nullptr)
        ++n;
    if (dir != nullptr)
        closedir(dir);
    return n;
}

TEST_F(UsbCameraTest, InitOverAnOpenContextClosesTheOldOne) {
    bus_.Add({1, 2, kVendor, kCamera, 0x1234});
    // A first bracket lets libudev and GLib open what they keep for the process.
    EXPECT_EQ(0, Bracketed([&] { return usb_camera_has_orv_camera(&vendor_, &product_); }));
    const size_t before = OpenDescriptorCount();
    ASSERT_EQ(0, usb_camera_init());
    const size_t one_context = OpenDescriptorCount();
    ASSERT_GT(one_context, before);
    ASSERT_EQ(0, usb_camera_init());
    EXPECT_EQ(one_context, OpenDescriptorCount());
    EXPECT_EQ(0, usb_camera_has_orv_camera(&vendor_, &product_));
    usb_camera_uninit();
    EXPECT_EQ(before, OpenDescriptorCount());
    EXPECT_EQ(-1, usb_camera_has_orv_camera(&vendor_, &product_));
}

TEST_F(UsbCameraTest, EmptyBusHasNoCameraVersionOrReset) {
    char version[16] = "untouched";
    EXPECT_EQ(-1, Bracketed([&] { return usb_camera_has_orv_camera(&vendor_, &product_); }));
    EXPECT_EQ(
        -1, Bracketed([&] { return usb_camera_has_orv_dual_stream_camera(&vendor_, &product_); }));
    EXPECT_EQ(-1, Bracketed([&] { return usb_camera_get_version(version, kVendor, kCamera); }));
    EXPECT_EQ(-1, Bracketed([&] { return usb_camera_reset(kVendor, kCamera); }));
    EXPECT_EQ(kUntouched, vendor_);
    EXPECT_EQ(kUntouched, product_);
    EXPECT_STREQ("untouched", version);
    EXPECT_EQ(Lines(), UsbLines());
}

TEST_F(UsbCameraTest, ListedCameraWinsOverEarlierDevicesWhichAreLogged) {
    bus_.Add({1, 1, kHubVendor, kHubProduct, 0x0606});
    bus_.Add({1, 4, kVendor, kUnlisted, 0x0100});
    bus_.Add({2, 9, kVendor, kCamera, 0x1234});
    ASSERT_EQ(BusOrder({{1, 1}, {1, 4}, {2, 9}}), bus_.ListOrder());

    EXPECT_EQ(0, Bracketed([&] { return usb_camera_has_orv_camera(&vendor_, &product_); }));
    EXPECT_EQ(kVendor, vendor_);
    EXPECT_EQ(kCamera, product_);
    EXPECT_EQ(Lines({"Bus 001 Device 001: ID 1d6b:0002\n", "Bus 001 Device 004: ID 2e1a:4f99\n"}),
              UsbLines());
    for (const LogEntry &e : capture_.entries())
        EXPECT_EQ(ANDROID_LOG_INFO, e.priority) << e;
}

TEST_F(UsbCameraTest, OnlyAnUnlistedMakerDeviceAnswersBothQueries) {
    bus_.Add({1, 1, kHubVendor, kHubProduct, 0x0606});
    bus_.Add({3, 12, kVendor, kUnlisted, 0x0100});

    EXPECT_EQ(0, Bracketed([&] { return usb_camera_has_orv_camera(&vendor_, &product_); }));
    EXPECT_EQ(kVendor, vendor_);
    EXPECT_EQ(kUnlisted, product_);
    vendor_ = product_ = kUntouched;
    EXPECT_EQ(
        0, Bracketed([&] { return usb_camera_has_orv_dual_stream_camera(&vendor_, &product_); }));
    EXPECT_EQ(kVendor, vendor_);
    EXPECT_EQ(kUnlisted, product_);
    const Lines pass = {"Bus 001 Device 001: ID 1d6b:0002\n", "Bus 003 Device 012: ID 2e1a:4f99\n"};
    Lines both = pass;
    both.insert(both.end(), pass.begin(), pass.end());
    EXPECT_EQ(both, UsbLines());
}

TEST_F(UsbCameraTest, DualStreamQueryReachesAPlainCameraOnlyThroughTheSecondPass) {
    bus_.Add({1, 3, kVendor, kCamera, 0x1234});
    auto dual = [&] { return usb_camera_has_orv_dual_stream_camera(&vendor_, &product_); };

    EXPECT_EQ(0, Bracketed(dual));
    EXPECT_EQ(kVendor, vendor_);
    EXPECT_EQ(kCamera, product_);
    EXPECT_EQ(Lines({"Bus 001 Device 003: ID 2e1a:4c01\n"}), UsbLines());

    // Once a dual-stream camera is attached too, the first pass finds it, later in the list.
    bus_.Add({1, 8, kVendor, kDualStream, 0x0200});
    ASSERT_EQ(BusOrder({{1, 3}, {1, 8}}), bus_.ListOrder());
    capture_.clear();
    EXPECT_EQ(0, Bracketed(dual));
    EXPECT_EQ(kDualStream, product_);
    // The camera query takes the plain camera: it is listed and comes first.
    EXPECT_EQ(0, Bracketed([&] { return usb_camera_has_orv_camera(&vendor_, &product_); }));
    EXPECT_EQ(kCamera, product_);
    EXPECT_EQ(Lines({"Bus 001 Device 003: ID 2e1a:4c01\n"}), UsbLines());
}

TEST_F(UsbCameraTest, OtherVendorsAreNeverTheMakersEvenWithAListedProductId) {
    bus_.Add({1, 1, kHubVendor, kCamera, 0x0100});
    bus_.Add({1, 2, static_cast<uint16_t>(kVendor + 1), kDualStream, 0x0100});

    EXPECT_EQ(-1, Bracketed([&] { return usb_camera_has_orv_camera(&vendor_, &product_); }));
    EXPECT_EQ(
        -1, Bracketed([&] { return usb_camera_has_orv_dual_stream_camera(&vendor_, &product_); }));
    EXPECT_EQ(kUntouched, vendor_);
    EXPECT_EQ(kUntouched, product_);
}

TEST_F(UsbCameraTest, FindDeviceWantsBothOutputs) {
    bus_.Add({1, 2, kVendor, kCamera, 0x1234});
    ASSERT_EQ(0, usb_camera_init());
    EXPECT_EQ(-1, usb_camera_has_orv_camera(nullptr, &product_));
    EXPECT_EQ(-1, usb_camera_has_orv_camera(&vendor_, nullptr));
    EXPECT_EQ(kUntouched, vendor_);
    EXPECT_EQ(kUntouched, product_);
    // An empty table leaves only the second pass.
    EXPECT_EQ(0, usb_camera_find_device(&vendor_, &product_, nullptr, 0));
    EXPECT_EQ(kCamera, product_);
}

TEST_F(UsbCameraTest, VersionTextFromBcdDevice) {
    bus_.Add({2, 3, kVendor, kCamera, 0x1234});
    bus_.Add({2, 4, kVendor, kUnlisted, 0x0100});
    bus_.Add({2, 5, kVendor, kDualStream, 0xffff});

    struct Case {
        uint16_t product;
        const char *text;
        Lines lines;
    } cases[] = {
        {kCamera, "1.2.34", {"Bus 002 Device 003: ID 2e1a:4c01\n", "bcdDevice: 1.2.34\n"}},
        {kUnlisted, "0.1.00", {"Bus 002 Device 004: ID 2e1a:4f99\n", "bcdDevice: 0.1.00\n"}},
        {kDualStream, "f.f.ff", {"Bus 002 Device 005: ID 2e1a:4d02\n", "bcdDevice: f.f.ff\n"}},
    };
    for (const Case &c : cases) {
        char out[USB_CAMERA_VERSION_TEXT_SIZE + 2];
        memset(out, '#', sizeof out);
        capture_.clear();
        EXPECT_EQ(0, Bracketed([&] { return usb_camera_get_version(out, kVendor, c.product); }));
        EXPECT_STREQ(c.text, out);
        // Six characters and the NUL at most; nothing past them.
        EXPECT_EQ('#', out[USB_CAMERA_VERSION_TEXT_SIZE]);
        EXPECT_EQ(c.lines, UsbLines());
    }
}

TEST_F(UsbCameraTest, VersionOfTwinDevicesIsTheLaterOnes) {
    bus_.Add({1, 2, kVendor, kCamera, 0x0100});
    bus_.Add({1, 7, kVendor, kUnlisted, 0x0999});
    bus_.Add({1, 5, kVendor, kCamera, 0x1234});
    ASSERT_EQ(BusOrder({{1, 2}, {1, 7}, {1, 5}}), bus_.ListOrder());
    char out[16] = "";
    EXPECT_EQ(0, Bracketed([&] { return usb_camera_get_version(out, kVendor, kCamera); }));
    EXPECT_STREQ("1.2.34", out);
    EXPECT_EQ(Lines({"Bus 001 Device 002: ID 2e1a:4c01\n", "bcdDevice: 0.1.00\n",
                     "Bus 001 Device 005: ID 2e1a:4c01\n", "bcdDevice: 1.2.34\n"}),
              UsbLines());
}

TEST_F(UsbCameraTest, VersionOfAbsentIdsFailsAndWritesNothing) {
    bus_.Add({1, 2, kVendor, kCamera, 0x1234});
    char out[16] = "untouched";
    // Ids are compared as the 16-bit descriptor values zero-extended: no wrap, no sign.
    const int absent[][2] = {
        {kVendor, kUnlisted}, {kVendor + 0x10000, kCamera}, {kVendor, kCamera - 0x10000}, {-1, -1}};
    for (const auto &ids : absent) {
        EXPECT_EQ(-1, Bracketed([&] { return usb_camera_get_version(out, ids[0], ids[1]); }));
        EXPECT_STREQ("untouched", out);
    }
    EXPECT_EQ(-1, Bracketed([&] { return usb_camera_get_version(nullptr, kVendor, kCamera); }));
    EXPECT_EQ(Lines(), UsbLines());
}

TEST_F(UsbCameraTest, ResetOpensTheUsbfsNodeAndIssuesUsbdevfsReset) {
    bus_.Add({1, 1, kHubVendor, kHubProduct, 0x0606});
    bus_.Add({3, 7, kVendor, kCamera, 0x1234});
    UsbfsIoctlRecorder hub(bus_, "/dev/bus/usb/001/001");
    UsbfsIoctlRecorder camera(bus_, "/dev/bus/usb/003/007");

    EXPECT_EQ(0, Bracketed([&] { return usb_camera_reset(kVendor, kCamera); }));
    EXPECT_EQ(std::vector<unsigned long>({USBDEVFS_RESET}), camera.requests());
    EXPECT_EQ(0x5514ul, static_cast<unsigned long>(USBDEVFS_RESET));
    EXPECT_TRUE(hub.requests().empty());
    EXPECT_EQ(Lines({"Bus 001 Device 001: ID 1d6b:0002\n", "Bus 003 Device 007: ID 2e1a:4c01\n",
                     "find Bus 003 Device 007: ID 2e1a:4c01\n",
                     "reset usb camera=/dev/bus/usb/003/007 vid:pid=2e1a:4c01\n"}),
              UsbLines());
}

TEST_F(UsbCameraTest, ResetActsOnTheEarlierOfTwinDevices) {
    bus_.Add({1, 2, kVendor, kCamera, 0x0100});
    bus_.Add({1, 5, kVendor, kCamera, 0x1234});
    ASSERT_EQ(BusOrder({{1, 2}, {1, 5}}), bus_.ListOrder());
    UsbfsIoctlRecorder earlier(bus_, "/dev/bus/usb/001/002");
    UsbfsIoctlRecorder later(bus_, "/dev/bus/usb/001/005");

    EXPECT_EQ(0, Bracketed([&] { return usb_camera_reset(kVendor, kCamera); }));
    EXPECT_EQ(std::vector<unsigned long>({USBDEVFS_RESET}), earlier.requests());
    EXPECT_TRUE(later.requests().empty());
    // The walk stops at the first match.
    EXPECT_EQ(
        Lines({"Bus 001 Device 002: ID 2e1a:4c01\n", "find Bus 001 Device 002: ID 2e1a:4c01\n",
               "reset usb camera=/dev/bus/usb/001/002 vid:pid=2e1a:4c01\n"}),
        UsbLines());
}

class UsbResetFailureTest : public UsbCameraTest {
  protected:
    // At the default gate only ERROR lines pass.
    orvtest::ScopedProperty default_level_{"orv.log.level", ""};
};

TEST_F(UsbResetFailureTest, RefusedResetLogsTheErrnoAndFails) {
    bus_.Add({1, 2, kVendor, kCamera, 0x1234});
    UsbfsIoctlRecorder node(bus_, "/dev/bus/usb/001/002", ENODEV);

    EXPECT_EQ(-1, Bracketed([&] { return usb_camera_reset(kVendor, kCamera); }));
    EXPECT_EQ(std::vector<unsigned long>({USBDEVFS_RESET}), node.requests());
    EXPECT_EQ(std::vector<LogEntry>({{ANDROID_LOG_ERROR, ORV_TAG_USB,
                                      "open /dev/bus/usb/001/002 error:19(No such device)\n"}}),
              capture_.entries());
}

TEST_F(UsbResetFailureTest, MissingNodeFailsWithTheOpensErrnoAndNoIoctl) {
    bus_.AddWithoutNode({1, 2, kVendor, kCamera, 0x1234});
    // Catches an ioctl issued on the failed open's -1 as well.
    UsbfsIoctlRecorder node(bus_, "/dev/bus/usb/001/002");

    EXPECT_EQ(-1, Bracketed([&] { return usb_camera_reset(kVendor, kCamera); }));
    EXPECT_TRUE(node.requests().empty());
    EXPECT_EQ(
        std::vector<LogEntry>({{ANDROID_LOG_ERROR, ORV_TAG_USB,
                                "open /dev/bus/usb/001/002 error:2(No such file or directory)\n"}}),
        capture_.entries());
}

TEST_F(UsbResetFailureTest, AbsentIdsFailWithoutAMessage) {
    bus_.Add({1, 2, kVendor, kCamera, 0x1234});
    UsbfsIoctlRecorder node(bus_, "/dev/bus/usb/001/002");
    EXPECT_EQ(-1, Bracketed([&] { return usb_camera_reset(kVendor, kUnlisted); }));
    EXPECT_TRUE(node.requests().empty());
    EXPECT_TRUE(capture_.entries().empty());
}

// libusb's own warnings, as its log callback hands them over.
std::mutex g_libusb_mutex;
std::vector<std::string> g_libusb_lines;

void CollectLibusbLine(libusb_context *, enum libusb_log_level, const char *line) {
    std::lock_guard<std::mutex> lock(g_libusb_mutex);
    g_libusb_lines.emplace_back(line);
}

TEST_F(UsbCameraTest, QueriesHandBackEveryDeviceReference) {
    bus_.Add({1, 2, kVendor, kCamera, 0x1234});
    bus_.Add({1, 3, kVendor, kUnlisted, 0x0100});
    UsbfsIoctlRecorder node(bus_, "/dev/bus/usb/001/002");
    // libusb reads LIBUSB_DEBUG at each init and warns at exit about devices still referenced.
    setenv("LIBUSB_DEBUG", "2", 1);
    libusb_set_log_cb(nullptr, CollectLibusbLine, LIBUSB_LOG_CB_GLOBAL);
    char out[16];
    EXPECT_EQ(0, Bracketed([&] { return usb_camera_has_orv_camera(&vendor_, &product_); }));
    EXPECT_EQ(
        0, Bracketed([&] { return usb_camera_has_orv_dual_stream_camera(&vendor_, &product_); }));
    EXPECT_EQ(0, Bracketed([&] { return usb_camera_get_version(out, kVendor, kCamera); }));
    EXPECT_EQ(0, Bracketed([&] { return usb_camera_reset(kVendor, kCamera); }));
    libusb_set_log_cb(nullptr, nullptr, LIBUSB_LOG_CB_GLOBAL);
    unsetenv("LIBUSB_DEBUG");

    std::lock_guard<std::mutex> lock(g_libusb_mutex);
    for (const std::string &line : g_libusb_lines)
        EXPECT_EQ(std::string::npos, line.find("referenced")) << line;
}

}  // namespace
