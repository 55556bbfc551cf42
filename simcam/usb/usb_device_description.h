// One simulated USB device in umockdev's text format (what umockdev-record writes, what
// `umockdev-run --device FILE` and umockdev_testbed_add_from_string() read), and its raw
// descriptors. No umockdev dependency: a launcher can write the text to a file and hand it to
// umockdev-run.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

namespace orvtest {

// One frame-based H.264 frame size and its frame intervals (100 ns units, the first is the
// default).
struct SimUsbFrame {
    uint16_t width, height;
    std::vector<uint32_t> intervals;
};

struct SimUsbDevice {
    unsigned bus;
    unsigned address;
    uint16_t vendor;
    uint16_t product;
    uint16_t bcd_device;
    uint8_t h264_unit = 12;  // bUnitID of the H.264 extension unit
};

// What a camera's video function offers beyond its identity.
struct SimUsbLayout {
    // The camera terminal's bmControls: focus, zoom and pan/tilt absolute, focus auto.
    uint8_t camera_controls[3] = {0x20, 0x0a, 0x02};
    // Empty: one 1920x1080 frame at 1/30 s.
    std::vector<SimUsbFrame> frames;
    // The video stream on one bulk endpoint (alternate setting 0, no interrupt endpoint) of
    // this wMaxPacketSize, rather than on an isochronous endpoint of alternate setting 1.
    uint16_t bulk_max_packet = 0;
};

// The ids of the camera terminal, the processing unit and the streaming output terminal: the
// smallest not taken by the extension units (the H.264 unit and the maker's 0x13 and 0x15).
struct UsbEntities {
    uint8_t camera, processing, output;
};
UsbEntities UsbEntityIds(uint8_t h264_unit);

// "/dev/bus/usb/BBB/DDD" of a device.
std::string UsbfsNode(const SimUsbDevice &dev);

// What the kernel's "descriptors" attribute holds for the camera: the device descriptor, then
// its one configuration: an interface association of a VideoControl interface (camera
// terminal, processing unit, the H.264 extension unit with id `h264_unit`, the maker's units
// 0x13 and 0x15, a streaming output terminal, an interrupt endpoint) and a VideoStreaming
// interface (one frame-based H.264 format with the device's frames; alternate setting 1 with an
// isochronous endpoint, or the bulk endpoint).
std::vector<uint8_t> UsbDescriptors(const SimUsbDevice &dev, const SimUsbLayout &layout = {});

// Sysfs directory /sys/devices/<sysfs_name> (unique per testbed) with busnum, devnum, speed,
// idVendor, idProduct, bcdDevice and descriptors (UsbDescriptors), udev properties
// SUBSYSTEM=usb, DEVTYPE=usb_device and DEVNAME, and, when `with_node`, the usbfs node holding
// the same descriptors. libusb lists devices in the reverse order of their sysfs names.
std::string UsbDeviceDescription(const SimUsbDevice &dev, const std::string &sysfs_name,
                                 bool with_node = true);

}  // namespace orvtest
