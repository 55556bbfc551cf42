// Is one of the maker's devices attached, and with which ids.
#include "usb/usb_bus.h"
#include "usb/usb_camera.h"

namespace {

bool in_table(const orv_usb::UsbDevice &dev, const OrvUsbId *table, int count) {
    for (int i = 0; i < count; ++i) {
        if (orv_usb::has_ids(dev, table[i].vendor, table[i].product))
            return true;
    }
    return false;
}

void report(const orv_usb::UsbDevice &dev, int *vendor_out, int *product_out) {
    *vendor_out = dev.vendor;
    *product_out = dev.product;
}

}  // namespace

extern "C" int usb_camera_find_device(int *vendor_out, int *product_out, const OrvUsbId *table,
                                      int count) {
    if (vendor_out == nullptr || product_out == nullptr || (table == nullptr && count > 0))
        return -1;
    orv_usb::DeviceList list(orv_usb::context());
    if (!list.ok())
        return -1;

    // A listed pair anywhere on the bus wins over any other device of the maker.
    for (size_t i = 0; i < list.size(); ++i) {
        const orv_usb::UsbDevice dev = list.at(i);
        if (in_table(dev, table, count)) {
            report(dev, vendor_out, product_out);
            return 0;
        }
        orv_usb::log_device(dev);
    }
    for (size_t i = 0; i < list.size(); ++i) {
        const orv_usb::UsbDevice dev = list.at(i);
        if (dev.vendor == ORV_USB_VENDOR_ID) {
            report(dev, vendor_out, product_out);
            return 0;
        }
    }
    return -1;
}

extern "C" int usb_camera_has_orv_camera(int *vendor_out, int *product_out) {
    return usb_camera_find_device(vendor_out, product_out, ORV_CAMERA_IDS, ORV_CAMERA_IDS_COUNT);
}

extern "C" int usb_camera_has_orv_dual_stream_camera(int *vendor_out, int *product_out) {
    return usb_camera_find_device(vendor_out, product_out, ORV_DUAL_STREAM_IDS,
                                  ORV_DUAL_STREAM_IDS_COUNT);
}
