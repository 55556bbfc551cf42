// One simulated USB device in umockdev's text format (what umockdev-record writes, what
// `umockdev-run --device FILE` and umockdev_testbed_add_from_string() read). No umockdev
// dependency: a launcher can write the text to a file and hand it to umockdev-run.
#pragma once

#include <stdint.h>

#include <string>

namespace orvtest {

struct SimUsbDevice {
    unsigned bus;
    unsigned address;
    uint16_t vendor;
    uint16_t product;
    uint16_t bcd_device;
};

// "/dev/bus/usb/BBB/DDD" of a device.
std::string UsbfsNode(const SimUsbDevice &dev);

// Sysfs directory /sys/devices/<sysfs_name> (unique per testbed) with busnum, devnum, speed and
// descriptors (device descriptor and one empty configuration), udev properties SUBSYSTEM=usb,
// DEVTYPE=usb_device and DEVNAME, and, when `with_node`, the usbfs node holding the same
// descriptors. libusb lists devices in the reverse order of their sysfs names.
std::string UsbDeviceDescription(const SimUsbDevice &dev, const std::string &sysfs_name,
                                 bool with_node = true);

}  // namespace orvtest
