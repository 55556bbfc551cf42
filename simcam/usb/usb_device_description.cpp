#include "usb_device_description.h"

#include <cstdio>
#include <vector>

namespace orvtest {

namespace {

std::string Hex(const std::vector<uint8_t> &bytes) {
    std::string out;
    char b[3];
    for (uint8_t v : bytes) {
        snprintf(b, sizeof b, "%02X", v);
        out += b;
    }
    return out;
}

uint8_t Lo(uint16_t v) {
    return static_cast<uint8_t>(v & 0xff);
}
uint8_t Hi(uint16_t v) {
    return static_cast<uint8_t>(v >> 8);
}

// The device descriptor, then one configuration with no interface: what the kernel's
// "descriptors" attribute and a read of the usbfs node give.
std::vector<uint8_t> Descriptors(const SimUsbDevice &dev) {
    // clang-format off
    return {
        // bLength, DEVICE, bcdUSB 2.00, misc class / common / IAD, bMaxPacketSize0
        18, 1, 0x00, 0x02, 0xef, 0x02, 0x01, 64,
        Lo(dev.vendor), Hi(dev.vendor), Lo(dev.product), Hi(dev.product),
        Lo(dev.bcd_device), Hi(dev.bcd_device),
        // iManufacturer, iProduct, iSerialNumber, bNumConfigurations
        1, 2, 0, 1,
        // bLength, CONFIGURATION, wTotalLength 9, no interface, value 1, bus powered, 100 mA
        9, 2, 9, 0, 0, 1, 0, 0x80, 50,
    };
    // clang-format on
}

}  // namespace

std::string UsbfsNode(const SimUsbDevice &dev) {
    char path[32];
    snprintf(path, sizeof path, "/dev/bus/usb/%03u/%03u", dev.bus, dev.address);
    return path;
}

std::string UsbDeviceDescription(const SimUsbDevice &dev, const std::string &sysfs_name,
                                 bool with_node) {
    const std::string hex = Hex(Descriptors(dev));
    std::string text = "P: /devices/" + sysfs_name + "\n";
    if (with_node)
        text += "N: " + UsbfsNode(dev).substr(5) + "=" + hex + "\n";
    text += "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\n";
    text += "E: DEVNAME=" + UsbfsNode(dev) + "\n";
    // libusb wants the newline the kernel puts after each value.
    text += "A: busnum=" + std::to_string(dev.bus) + "\\n\n";
    text += "A: devnum=" + std::to_string(dev.address) + "\\n\n";
    text += "A: speed=480\\n\n";
    text += "H: descriptors=" + hex + "\n";
    return text;
}

}  // namespace orvtest
