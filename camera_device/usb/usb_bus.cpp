#include "usb/usb_bus.h"

#include "orv_log.h"

namespace orv_usb {

DeviceList::DeviceList(libusb_context *ctx) {
    if (ctx != nullptr)
        count_ = libusb_get_device_list(ctx, &devices_);
}

DeviceList::~DeviceList() {
    release();
}

void DeviceList::release() {
    if (count_ < 0)
        return;
    // The list holds one reference on each device; drop them with the list, or every query
    // would keep its devices alive past libusb_exit.
    libusb_free_device_list(devices_, 1);
    devices_ = nullptr;
    count_ = -1;
}

UsbDevice DeviceList::at(size_t i) const {
    libusb_device *dev = devices_[i];
    // Linux reads the device descriptor from the cached copy: it does not fail.
    libusb_device_descriptor desc{};
    libusb_get_device_descriptor(dev, &desc);
    return UsbDevice{libusb_get_bus_number(dev), libusb_get_device_address(dev), desc.idVendor,
                     desc.idProduct, desc.bcdDevice};
}

void log_device(const UsbDevice &dev) {
    ORV_LOG(ANDROID_LOG_INFO, ORV_TAG_USB, "Bus %03u Device %03u: ID %04x:%04x\n", dev.bus,
            dev.address, dev.vendor, dev.product);
}

}  // namespace orv_usb
