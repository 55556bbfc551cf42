// The camera manager's discovery and command surface: the library version, the USB-level
// queries, the identity rules of a (vendor, product) pair, the scan of /dev/video0 to
// /dev/video7 for the maker's H.264 cameras, queries and commands addressed by node path (each
// opens the node for the one call), and commands addressed by the descriptor of a device that
// open_device returned.
//
// Every function has C linkage, runs on the caller's thread and reports failure as -1 (the
// scan as a shorter list); none throws. Messages go to the tag "ORVCam/device".
#pragma once

#include <stdint.h>

#include "orv_usb_ids.h"

#ifdef __cplusplus
extern "C" {
#endif
// Exported from libvistara (the rest of the library is hidden).
#pragma GCC visibility push(default)

// The scan looks at /dev/video0 to /dev/video7 and writes at most this many entries.
#define ORV_DISCOVERY_MAX_CAMERAS 8
// Room the caller gives get_orv_camera_version (the text itself is at most 6 characters).
#define ORV_CAMERA_VERSION_SIZE 64

// Values of DiscoveredCamera.type.
#define ORV_CAMERA_TYPE_OTHER 0      // another device of the maker's vendor id
#define ORV_CAMERA_TYPE_CAMERA 1     // a listed camera
#define ORV_CAMERA_TYPE_SWITCHBOX 2  // the switchbox

// One camera found by the scan.
typedef struct DiscoveredCamera {
    char name[16];       // "/dev/videoN", NUL-terminated
    int32_t type;        // ORV_CAMERA_TYPE_*
    uint16_t vendor_id;  // USB ids reported through the video node
    uint16_t product_id;
    int32_t supports_h264;  // 1 if the node offers V4L2_PIX_FMT_H264
    int32_t supports_h265;  // 1 if the node offers the format with code 0 (taken as H.265)
} DiscoveredCamera;

// The constant version text "2.1.2".
const char *get_sdk_version(void);

// USB queries. Each opens the USB module's context for the one call and closes it again; calls
// from several threads are serialised here.
// An attached camera (or, failing a listed one, any device of the maker): 0 with both ids
// written, or -1 (also for a null output, without touching the bus).
int has_orv_camera(int *vendor_out, int *product_out);
// The same over the dual-stream cameras.
int has_orv_dual_stream_camera(int *vendor_out, int *product_out);
// Firmware version text of the device with these ids into `out` (ORV_CAMERA_VERSION_SIZE
// bytes), e.g. "1.2.34"; 0, or -1 with `out` untouched.
int get_orv_camera_version(int vendor, int product, char *out);
// USB reset of the first attached device with these ids: 0 or -1.
int reset_orv_camera(int vendor, int product);

// Identity rules: 1 or -1, no messages.
int is_orv_device(int vendor);                  // the maker's vendor id
int is_orv_switchbox(int vendor, int product);  // exactly the switchbox pair
int is_orv_camera(int vendor, int product);     // a listed or dual-stream camera, not the switchbox

// Scans /dev/video0 to /dev/video7 in order and fills `out` (room for
// ORV_DISCOVERY_MAX_CAMERAS) with the nodes of the maker's vendor id that offer H.264 or the
// code-0 format, without gaps. A node open in the device table is looked at through its own
// descriptor, which stays open. Returns the number written (0 for a null `out`).
int discovery_orv_camera(DiscoveredCamera *out);

// Format flags of an open device, straight from the V4L2 layer.
int camera_pixel_format_support(int fd, int *h264_out, int *h265_out);
int camera_support_h264(int fd);
int camera_support_h265(int fd);

// Queries and commands by node path. Each opens its own descriptor (also when the node is
// open in the table, so they may run while it streams) and closes it before returning; a node
// that can't be opened gives -1. A negative capacity counts as 0.
int camera_pixel_format_support_dev(const char *path, int *h264_out, int *h265_out);
int camera_get_support_frame_sizes(const char *path, int pixfmt, char *sizes, int sizes_cap,
                                   char *rates, int rates_cap);
int camera_get_support_resolutions(const char *path, char *sizes, int sizes_cap, char *rates,
                                   int rates_cap);
// The HDMI-input byte (0 to 255), or -1.
int camera_get_hdmiin_state(const char *path);
// The OSD status byte (0 to 255), or -1.
int get_osd_status_by_dev_name(const char *path);
// The OSD command's result (0), or -1.
int send_osd_command_by_dev_name(const char *path, int cmd);
int send_menu_command_by_dev_name(const char *path, int cmd);

// Commands by descriptor: `fd` must be above 0 (it is not looked up in the table).
// cmd 0 is the I-frame request to the H.264 unit `unit`; any other cmd gives -1.
int send_uvc_command(int unit, int fd, int cmd);
// PTZ movements: 0 and 1 pan, 2 and 3 tilt, 4 and 5 zoom, at speed `value` (its sign is the
// direction, 0 stops); any other movement gives -1 without touching the camera.
int start_ptz(int fd, unsigned int movement, int value);
// The same movement's speed set to 0.
int stop_ptz(int fd, unsigned int movement);
// OSD menu commands: the command's result (0), or -1.
int send_menu_command(int fd, int cmd);
int send_osd_command(int fd, int cmd);

#pragma GCC visibility pop

#ifdef __cplusplus
}
#endif
