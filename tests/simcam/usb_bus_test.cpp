// Under scripts/simcam with tests/simcam/usb_bus.json: every camera whose node answers the
// identity request is also on the USB bus, with the ids and bcdDevice its nodes report, once
// per camera (two nodes sharing a bus_info are one device), in node order; its usbfs node takes
// a reset. The program does not link the camera: the wrapper preloads it.
#include <fcntl.h>
#include <libusb.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// The camera identity request of the cameras' driver: the 18-byte USB device descriptor.
constexpr unsigned long kIdentity = 0xC0125678;

std::string Ids(unsigned vendor, unsigned product, unsigned bcd) {
    char text[32];
    std::snprintf(text, sizeof text, "%04x:%04x %04x", vendor, product, bcd);
    return text;
}

// "vvvv:pppp bbbb" of a node, or "" when it does not answer.
std::string NodeIds(const char *path) {
    const int fd = open(path, O_RDWR | O_NONBLOCK);
    if (fd < 0)
        return "";
    uint8_t d[18] = {};
    const int r = ioctl(fd, kIdentity, d);
    close(fd);
    if (r != 0)
        return "";
    return Ids(d[8] | d[9] << 8, d[10] | d[11] << 8, d[12] | d[13] << 8);
}

// "BBB/DDD vvvv:pppp bbbb" of every device libusb lists, in its order.
std::vector<std::string> BusDevices() {
    std::vector<std::string> out;
    libusb_context *ctx = nullptr;
    if (libusb_init(&ctx) != 0)
        return {"libusb_init failed"};
    libusb_device **list = nullptr;
    const ssize_t n = libusb_get_device_list(ctx, &list);
    for (ssize_t i = 0; i < n; ++i) {
        libusb_device_descriptor d{};
        libusb_get_device_descriptor(list[i], &d);
        char where[16];
        std::snprintf(where, sizeof where, "%03u/%03u ", libusb_get_bus_number(list[i]),
                      libusb_get_device_address(list[i]));
        out.push_back(where + Ids(d.idVendor, d.idProduct, d.bcdDevice));
    }
    if (n >= 0)
        libusb_free_device_list(list, 1);
    libusb_exit(ctx);
    return out;
}

TEST(SimcamUsbBus, EachCameraIsOnTheBusWithTheIdsOfItsNodes) {
    ASSERT_NE(nullptr, std::getenv("UMOCKDEV_DIR")) << "run under scripts/simcam";
    EXPECT_EQ("2e1a:4d02 0210", NodeIds("/dev/video0"));
    EXPECT_EQ("2e1a:4d02 0210", NodeIds("/dev/video1"));
    EXPECT_EQ("046d:085c 0010", NodeIds("/dev/video2"));
    EXPECT_EQ("", NodeIds("/dev/video3"));
    const std::vector<std::string> expected = {"001/002 2e1a:4d02 0210", "001/003 046d:085c 0010"};
    EXPECT_EQ(expected, BusDevices());
}

TEST(SimcamUsbBus, UsbfsNodeTakesAResetAndNothingElseOfTheBusIsThere) {
    const int fd = open("/dev/bus/usb/001/002", O_WRONLY);
    ASSERT_GE(fd, 0) << std::strerror(errno);
    EXPECT_EQ(0, ioctl(fd, USBDEVFS_RESET, nullptr)) << std::strerror(errno);
    close(fd);
    EXPECT_EQ(-1, open("/dev/bus/usb/001/004", O_WRONLY));
    EXPECT_EQ(ENOENT, errno);
}

}  // namespace
