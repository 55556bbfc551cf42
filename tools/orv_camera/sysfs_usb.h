// The USB device behind a video node, read from sysfs: what a stock kernel tells anyone,
// without privileges, when the camera's driver does not answer the identity request.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

namespace orvcli {

struct SysfsUsbDevice {
    uint16_t vendor = 0, product = 0, bcd_device = 0;  // idVendor, idProduct, bcdDevice
    int busnum = 0, devnum = 0;                        // where it is on the bus
    int interface_number = -1;  // the node's (VideoControl) interface, -1 when not told
};

// The USB device of a video node (a path such as /dev/video0, or a link to one): the node's
// sysfs entry /sys/dev/char/MAJOR:MINOR (the same as /sys/class/video4linux/videoN) leads
// through its "device" link to the USB interface, whose parent is the USB device. False when
// the path is no character device or nothing USB is behind it.
bool ReadSysfsUsbDevice(const std::string &node, SysfsUsbDevice *out);

// The USB device's raw descriptors (its sysfs "descriptors": the device descriptor, then every
// configuration's), empty when they can't be read.
std::vector<uint8_t> ReadSysfsDescriptors(const std::string &node);

}  // namespace orvcli
