// Identity rules of a (vendor, product) pair, from the maker's id tables.
#include "camera_discovery.h"
#include "usb/usb_camera.h"

namespace {

// Index of the entry equal to (vendor, product) in `table`, or -1. USB ids are compared with
// the tables' 32-bit words as they are given, so a negative id matches nothing.
int Find(const OrvUsbId *table, int count, int vendor, int product) {
    for (int i = 0; i < count; ++i)
        if (table[i].vendor == static_cast<uint32_t>(vendor) &&
            table[i].product == static_cast<uint32_t>(product))
            return i;
    return -1;
}

}  // namespace

extern "C" {

int is_orv_device(int vendor) {
    return vendor == ORV_USB_VENDOR_ID ? 1 : -1;
}

int is_orv_switchbox(int vendor, int product) {
    return vendor == ORV_USB_VENDOR_ID && product == ORV_SWITCHBOX_PRODUCT_ID ? 1 : -1;
}

int is_orv_camera(int vendor, int product) {
    if (Find(ORV_CAMERA_IDS, ORV_CAMERA_IDS_COUNT, vendor, product) >= 0)
        return product == ORV_SWITCHBOX_PRODUCT_ID ? -1 : 1;
    if (Find(ORV_DUAL_STREAM_IDS, ORV_DUAL_STREAM_IDS_COUNT, vendor, product) >= 0)
        return 1;
    return -1;
}

}  // extern "C"
