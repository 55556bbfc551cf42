// The maker's USB identifiers: one place for the library, the simulated camera and the tests.
#pragma once

#include <stdint.h>

// The maker's USB vendor id (16 bits). A build may override it (-DORV_USB_VENDOR_ID=0x....).
#ifndef ORV_USB_VENDOR_ID
#define ORV_USB_VENDOR_ID 0x2e1a
#endif

// The switchbox: the maker's device that is no camera.
#define ORV_SWITCHBOX_PRODUCT_ID 0x5a00

#ifdef __cplusplus
extern "C" {
#endif

// One (vendor, product) pair, vendor first.
typedef struct OrvUsbId {
    uint32_t vendor;
    uint32_t product;
} OrvUsbId;

#ifdef __cplusplus
}
#endif

// The maker's eight cameras, then the switchbox.
#define ORV_CAMERA_IDS_INIT                                                                        \
    {                                                                                              \
        {ORV_USB_VENDOR_ID, 0x4c01}, {ORV_USB_VENDOR_ID, 0x4c02}, {ORV_USB_VENDOR_ID, 0x4c03},     \
            {ORV_USB_VENDOR_ID, 0x4c04}, {ORV_USB_VENDOR_ID, 0x4c05}, {ORV_USB_VENDOR_ID, 0x4d01}, \
            {ORV_USB_VENDOR_ID, 0x4d02}, {ORV_USB_VENDOR_ID, 0x4d03},                              \
            {ORV_USB_VENDOR_ID, ORV_SWITCHBOX_PRODUCT_ID},                                         \
    }
#define ORV_CAMERA_IDS_COUNT 9

// The dual-stream cameras: each is also one of the first eight camera entries.
#define ORV_DUAL_STREAM_IDS_INIT \
    { {ORV_USB_VENDOR_ID, 0x4d01}, {ORV_USB_VENDOR_ID, 0x4d02}, {ORV_USB_VENDOR_ID, 0x4d03}, }
#define ORV_DUAL_STREAM_IDS_COUNT 3

// The simulated camera's default identity: the first listed camera, firmware 1.2.34.
#define ORV_DEFAULT_SIM_PRODUCT_ID 0x4c01
#define ORV_DEFAULT_SIM_BCD_DEVICE 0x1234
