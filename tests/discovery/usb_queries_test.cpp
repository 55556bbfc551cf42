// The manager's USB queries against real libusb on a simulated bus (umockdev): each call opens
// and closes the USB module's context, and reports as its own operation.
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "camera_discovery.h"
#include "discovery_test_util.h"
#include "log_capture.h"
#include "scoped_property.h"
#include "sim_usb_bus.h"
#include "usb/usb_camera.h"

namespace {

using orvtest::LogEntry;
using orvtest::UsbfsIoctlRecorder;
using orvtest::device::Error;
using orvtest::device::Info;

constexpr uint16_t kVendor = ORV_USB_VENDOR_ID;
const uint16_t kCamera = static_cast<uint16_t>(ORV_CAMERA_IDS[0].product);
const uint16_t kNotDual = static_cast<uint16_t>(ORV_CAMERA_IDS[1].product);
const uint16_t kDual = static_cast<uint16_t>(ORV_DUAL_STREAM_IDS[0].product);
constexpr uint16_t kUnlisted = 0x4f99;
constexpr int kUntouched = 0x7777;

class UsbQueries : public ::testing::Test {
  protected:
    std::vector<LogEntry> Lines() const { return orvtest::DeviceLines(capture_); }
    // The context is closed after each query: a bare module query then has none.
    static void ExpectContextClosed() {
        int v = 0, p = 0;
        EXPECT_EQ(-1, usb_camera_has_orv_camera(&v, &p));
    }

    orvtest::SimUsbBus bus_;
    orvtest::ScopedProperty level_{"orv.log.level", "4"};
    orvtest::LogCapture capture_;
    int vendor_ = kUntouched, product_ = kUntouched;
};

TEST_F(UsbQueries, NullOutputTouchesNoBus) {
    bus_.Add({1, 2, kVendor, kUnlisted, 0x0100});  // would be logged by a first pass
    EXPECT_EQ(-1, has_orv_camera(nullptr, &product_));
    EXPECT_EQ(-1, has_orv_dual_stream_camera(&vendor_, nullptr));
    EXPECT_EQ(-1, get_orv_camera_version(kVendor, kUnlisted, nullptr));
    EXPECT_EQ(kUntouched, product_);
    EXPECT_EQ(kUntouched, vendor_);
    EXPECT_EQ(std::vector<LogEntry>{}, capture_.entries());
}

TEST_F(UsbQueries, EmptyBusFailsEachPresenceQueryWithItsLine) {
    EXPECT_EQ(-1, has_orv_camera(&vendor_, &product_));
    EXPECT_EQ(-1, has_orv_dual_stream_camera(&vendor_, &product_));
    EXPECT_EQ(kUntouched, vendor_);
    EXPECT_EQ(kUntouched, product_);
    ExpectContextClosed();
    const std::vector<LogEntry> expected = {
        Error("has_orv_camera", " not have orv camera"),
        Error("has_orv_dual_stream_camera", " not have orv dual stream camera"),
    };
    EXPECT_EQ(expected, Lines());
}

TEST_F(UsbQueries, ListedCameraWinsOverAnEarlierUnlistedOne) {
    bus_.Add({1, 2, kVendor, kUnlisted, 0x0100});
    bus_.Add({1, 3, kVendor, kCamera, 0x1234});
    EXPECT_EQ(0, has_orv_camera(&vendor_, &product_));
    EXPECT_EQ(kVendor, vendor_);
    EXPECT_EQ(kCamera, product_);
    ExpectContextClosed();
    EXPECT_EQ(std::vector<LogEntry>{}, Lines());
}

TEST_F(UsbQueries, DualStreamQueryFallsBackToAnyDeviceOfTheMaker) {
    bus_.Add({1, 2, kVendor, kNotDual, 0x0100});
    EXPECT_EQ(0, has_orv_dual_stream_camera(&vendor_, &product_));
    EXPECT_EQ(kNotDual, product_);
    bus_.Add({1, 3, kVendor, kDual, 0x0100});
    EXPECT_EQ(0, has_orv_dual_stream_camera(&vendor_, &product_));
    EXPECT_EQ(kDual, product_);
}

TEST_F(UsbQueries, FirmwareVersionText) {
    bus_.Add({1, 2, kVendor, kCamera, 0x1234});
    bus_.Add({1, 3, kVendor, kDual, 0x0100});
    char version[ORV_CAMERA_VERSION_SIZE] = "untouched";
    EXPECT_EQ(0, get_orv_camera_version(kVendor, kCamera, version));
    EXPECT_STREQ("1.2.34", version);
    EXPECT_EQ(0, get_orv_camera_version(kVendor, kDual, version));
    EXPECT_STREQ("0.1.00", version);
    std::strcpy(version, "untouched");
    EXPECT_EQ(-1, get_orv_camera_version(kVendor, kUnlisted, version));
    EXPECT_STREQ("untouched", version);
    ExpectContextClosed();
    char vid_pid_camera[64], vid_pid_dual[64];
    std::snprintf(vid_pid_camera, sizeof vid_pid_camera, " vid:pid(%x:%x) version:1.2.34", kVendor,
                  kCamera);
    std::snprintf(vid_pid_dual, sizeof vid_pid_dual, " vid:pid(%x:%x) version:0.1.00", kVendor,
                  kDual);
    const std::vector<LogEntry> expected = {
        Info("get_orv_camera_version", vid_pid_camera),
        Info("get_orv_camera_version", vid_pid_dual),
        Error("get_orv_camera_version", " get camera version error"),
    };
    EXPECT_EQ(expected, Lines());
}

TEST_F(UsbQueries, ResetReachesTheUsbfsNodeOrReportsWhyNot) {
    bus_.Add({1, 2, kVendor, kCamera, 0x1234});
    bus_.Add({2, 7, kVendor, kDual, 0x0100});
    UsbfsIoctlRecorder camera(bus_, "/dev/bus/usb/001/002");
    UsbfsIoctlRecorder refused(bus_, "/dev/bus/usb/002/007", EIO);
    EXPECT_EQ(0, reset_orv_camera(kVendor, kCamera));
    EXPECT_EQ(std::vector<unsigned long>{USBDEVFS_RESET}, camera.requests());
    EXPECT_EQ(-1, reset_orv_camera(kVendor, kDual));
    EXPECT_EQ(std::vector<unsigned long>{USBDEVFS_RESET}, refused.requests());
    EXPECT_EQ(-1, reset_orv_camera(kVendor, kUnlisted));
    ExpectContextClosed();

    char camera_ids[32], dual_ids[32], unlisted_ids[32];
    std::snprintf(camera_ids, sizeof camera_ids, " vid:pid(%04x:%04x)", kVendor, kCamera);
    std::snprintf(dual_ids, sizeof dual_ids, " vid:pid(%04x:%04x)", kVendor, kDual);
    std::snprintf(unlisted_ids, sizeof unlisted_ids, " vid:pid(%04x:%04x)", kVendor, kUnlisted);
    const std::vector<LogEntry> expected = {
        Info("reset_orv_camera", camera_ids),
        Info("reset_orv_camera", dual_ids),
        Error("reset_orv_camera", " usb camera reset error"),
        Info("reset_orv_camera", unlisted_ids),
        Error("reset_orv_camera", " usb camera reset error"),
    };
    EXPECT_EQ(expected, Lines());
}

// The module's one context slot: without the manager's serialisation, one thread's uninit
// would free the context under another thread's query.
TEST_F(UsbQueries, QueriesFromTwoThreadsShareTheSlotSafely) {
    bus_.Add({1, 2, kVendor, kCamera, 0x1234});
    auto worker = [] {
        int failures = 0;
        for (int i = 0; i < 20; ++i) {
            int v = 0, p = 0;
            char version[ORV_CAMERA_VERSION_SIZE];
            failures += has_orv_camera(&v, &p) != 0 || p != kCamera;
            failures += get_orv_camera_version(kVendor, kCamera, version) != 0;
        }
        return failures;
    };
    int failures_a = -1, failures_b = -1;
    std::thread a([&] { failures_a = worker(); });
    std::thread b([&] { failures_b = worker(); });
    a.join();
    b.join();
    EXPECT_EQ(0, failures_a);
    EXPECT_EQ(0, failures_b);
}

}  // namespace
