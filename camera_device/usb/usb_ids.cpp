// The maker's identifier tables, from the one header that holds them.
#include "usb/usb_camera.h"

extern "C" {

const OrvUsbId ORV_CAMERA_IDS[ORV_CAMERA_IDS_COUNT] = ORV_CAMERA_IDS_INIT;
const OrvUsbId ORV_DUAL_STREAM_IDS[ORV_DUAL_STREAM_IDS_COUNT] = ORV_DUAL_STREAM_IDS_INIT;
}
