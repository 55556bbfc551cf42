// The maker's devices on the USB bus: presence, firmware version and USB reset.
//
// The module keeps one process-wide libusb context. Open it with usb_camera_init(), run one
// query, close it with usb_camera_uninit(). Every query returns -1 at once while no context is
// open. None of these functions takes a lock: run them one at a time.
//
// Results: 0 on success, -1 on failure. Outputs are written only on success.
#pragma once

#include "orv_usb_ids.h"

#ifdef __cplusplus
extern "C" {
#endif
// Exported from libvistara (the rest of the library is hidden).
#pragma GCC visibility push(default)

// The maker's eight cameras, then the switchbox (ORV_SWITCHBOX_PRODUCT_ID).
extern const OrvUsbId ORV_CAMERA_IDS[ORV_CAMERA_IDS_COUNT];
// The dual-stream cameras; each is also one of the first eight entries of ORV_CAMERA_IDS.
extern const OrvUsbId ORV_DUAL_STREAM_IDS[ORV_DUAL_STREAM_IDS_COUNT];

// Opens the libusb context (replacing the slot's pointer if one is already open).
// On failure logs "unable to initialize libusb: <code>" at ERROR.
int usb_camera_init(void);
// Closes the context if one is open; otherwise does nothing.
void usb_camera_uninit(void);

// Looks for an attached device of the maker. First pass, in bus list order: the first device
// whose (idVendor, idProduct) is in `table` wins; every device that is not is logged at INFO.
// Second pass: the first device with the maker's vendor id wins. Writes both ids and returns 0,
// or returns -1 with neither written (also for a null output).
int usb_camera_find_device(int *vendor_out, int *product_out, const OrvUsbId *table, int count);
// usb_camera_find_device over ORV_CAMERA_IDS.
int usb_camera_has_orv_camera(int *vendor_out, int *product_out);
// usb_camera_find_device over ORV_DUAL_STREAM_IDS.
int usb_camera_has_orv_dual_stream_camera(int *vendor_out, int *product_out);

// Room `out` needs for the firmware version text ("%x.%x.%02x" of bcdDevice, at most 6
// characters and the NUL).
#define USB_CAMERA_VERSION_TEXT_SIZE 7

// Writes the firmware version of the device with these ids into `out`, e.g. bcdDevice 0x1234
// gives "1.2.34". With several such devices the last in bus list order gives the text.
// -1 with `out` untouched when no device matches (or `out` is null).
int usb_camera_get_version(char *out, int vendor, int product);

// Resets the first device in bus list order with these ids through USBDEVFS_RESET on its
// usbfs node "/dev/bus/usb/BBB/DDD". -1 without a message when no device matches; -1 with an
// ERROR line carrying errno when the node can't be opened or the kernel refuses the reset.
int usb_camera_reset(int vendor, int product);

#pragma GCC visibility pop

#ifdef __cplusplus
}
#endif
