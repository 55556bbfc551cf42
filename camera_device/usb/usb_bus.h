// Inside the USB module: the context slot and a walk over the attached devices.
#pragma once

#include <libusb.h>
#include <stdint.h>

#include <cstddef>

namespace orv_usb {

// The process-wide context slot; null while no context is open.
libusb_context *context();

// What the module reads from one attached device.
struct UsbDevice {
    uint8_t bus;
    uint8_t address;
    uint16_t vendor;
    uint16_t product;
    uint16_t bcd_device;
};

// The device list of the open context, requested once and freed (with the devices'
// references) when this goes out of scope or on release().
class DeviceList {
  public:
    explicit DeviceList(libusb_context *ctx);
    ~DeviceList();
    DeviceList(const DeviceList &) = delete;
    DeviceList &operator=(const DeviceList &) = delete;

    // False when libusb could not give a list.
    bool ok() const { return count_ >= 0; }
    size_t size() const { return ok() ? static_cast<size_t>(count_) : 0; }
    // Bus number, address and descriptor ids of the i-th device, in list order.
    UsbDevice at(size_t i) const;
    void release();

  private:
    libusb_device **devices_ = nullptr;
    ssize_t count_ = -1;
};

// INFO "Bus %03u Device %03u: ID %04x:%04x\n" for one device.
void log_device(const UsbDevice &dev);

// True when the device's ids equal (vendor, product), compared as unsigned 32-bit words.
inline bool has_ids(const UsbDevice &dev, uint32_t vendor, uint32_t product) {
    return dev.vendor == vendor && dev.product == product;
}

}  // namespace orv_usb
