// One simulated USB device in umockdev's text format (what umockdev-record writes, what
// `umockdev-run --device FILE` and umockdev_testbed_add_from_string() read), and its raw
// descriptors. No umockdev dependency: a launcher can write the text to a file and hand it to
// umockdev-run.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

namespace orvtest {

struct SimUsbDevice {
    unsigned bus;
    unsigned address;
    uint16_t vendor;
    uint16_t product;
    uint16_t bcd_device;
    uint8_t h264_unit = 12;  // bUnitID of the H.264 extension unit
};

// "/dev/bus/usb/BBB/DDD" of a device.
std::string UsbfsNode(const SimUsbDevice &dev);

// What the kernel's "descriptors" attribute holds for the camera: the device descriptor, then
// its one configuration: an interface association of a VideoControl interface (camera
// terminal, processing unit, the H.264 extension unit with id `h264_unit`, the maker's units
// 0x13 and 0x15, a streaming output terminal, an interrupt endpoint) and a VideoStreaming
// interface (one frame-based H.264 format of one 1920x1080 frame; alternate setting 1 with an
// isochronous endpoint).
std::vector<uint8_t> UsbDescriptors(const SimUsbDevice &dev);

// Sysfs directory /sys/devices/<sysfs_name> (unique per testbed) with busnum, devnum, speed,
// idVendor, idProduct, bcdDevice and descriptors (UsbDescriptors), udev properties
// SUBSYSTEM=usb, DEVTYPE=usb_device and DEVNAME, and, when `with_node`, the usbfs node holding
// the same descriptors. libusb lists devices in the reverse order of their sysfs names.
std::string UsbDeviceDescription(const SimUsbDevice &dev, const std::string &sysfs_name,
                                 bool with_node = true);

}  // namespace orvtest
