// The discovery scan: the maker's H.264 cameras among /dev/video0 to /dev/video7.
#include <stdio.h>
#include <string.h>

#include "camera_device.h"
#include "camera_discovery.h"
#include "camera_internal.h"
#include "camera_node_descriptor.h"
#include "v4l2/v4l2_formats.h"

namespace {

constexpr const char *kOp = "discovery_orv_camera";

int TypeOf(uint16_t vendor, uint16_t product) {
    if (is_orv_switchbox(vendor, product) == 1)
        return ORV_CAMERA_TYPE_SWITCHBOX;
    return is_orv_camera(vendor, product) == 1 ? ORV_CAMERA_TYPE_CAMERA : ORV_CAMERA_TYPE_OTHER;
}

// Fills `entry` when the node behind `fd` is one of the maker's H.264 (or code-0) nodes.
bool InspectDescriptor(const char *path, int fd, DiscoveredCamera *entry) {
    uint16_t vendor = 0, product = 0;
    if (v4l2_get_video_vid_pid(fd, &vendor, &product) < 0) {
        CAM_LOG(ANDROID_LOG_ERROR, kOp, " cannot get video vendor id and product id %s \n", path);
        return false;
    }
    int h264 = 0, h265 = 0;
    v4l2_pixel_format_support(fd, &h264, &h265);
    if (vendor != ORV_USB_VENDOR_ID || (!h264 && !h265))
        return false;

    CAM_LOG(ANDROID_LOG_DEBUG, kOp, " find orv h264 camera %s ", path);
    memset(entry, 0, sizeof *entry);
    entry->vendor_id = vendor;
    entry->product_id = product;
    snprintf(entry->name, sizeof entry->name, "%s", path);
    entry->type = TypeOf(vendor, product);
    CAM_LOG(ANDROID_LOG_DEBUG, kOp, " find orv video device name %s, type %04x ", entry->name,
            entry->type);
    entry->supports_h264 = h264 ? 1 : 0;
    entry->supports_h265 = h265 ? 1 : 0;
    return true;
}

// A node open in the table is read through the table's descriptor, under the table lock so a
// close cannot release it (or a reopen reuse its number) meanwhile, and is left open; any
// other node is opened for its turn and closed again.
bool Inspect(const char *path, DiscoveredCamera *entry) {
    bool listed = false;
    if (orv::device::with_opened_node(path, [&](int fd) {
            CAM_LOG(ANDROID_LOG_DEBUG, kOp, " find opened h264 video -> %s", path);
            listed = InspectDescriptor(path, fd, entry);
        }))
        return listed;
    const orv::NodeDescriptor node = orv::NodeDescriptor::Open(path);
    if (node.fd() < 0) {
        orv::LogNodeOpenFailure(kOp, path, node.error());
        return false;
    }
    return InspectDescriptor(path, node.fd(), entry);
}

}  // namespace

extern "C" int discovery_orv_camera(DiscoveredCamera *out) {
    if (!out)
        return 0;
    int count = 0;
    for (int i = 0; i < ORV_DISCOVERY_MAX_CAMERAS; ++i) {
        char path[16];
        snprintf(path, sizeof path, "%s%d", "/dev/video", i);
        if (Inspect(path, &out[count]))
            ++count;
    }
    return count;
}
