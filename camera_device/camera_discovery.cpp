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

// The node's descriptor for this turn: the table's (left open) when the node is open there,
// else one opened for the turn.
orv::NodeDescriptor DescriptorFor(const char *path) {
    if (const CameraDevice *dev = findOpenedDeviceByName(path)) {
        CAM_LOG(ANDROID_LOG_DEBUG, kOp, " find opened h264 video -> %s", path);
        return orv::NodeDescriptor::Borrow(dev->fd);
    }
    return orv::NodeDescriptor::Open(path);
}

int TypeOf(uint16_t vendor, uint16_t product) {
    if (is_orv_switchbox(vendor, product) == 1)
        return ORV_CAMERA_TYPE_SWITCHBOX;
    return is_orv_camera(vendor, product) == 1 ? ORV_CAMERA_TYPE_CAMERA : ORV_CAMERA_TYPE_OTHER;
}

// Fills `entry` when the node at `path` is one of the maker's H.264 (or code-0) nodes.
bool Inspect(const char *path, DiscoveredCamera *entry) {
    const orv::NodeDescriptor node = DescriptorFor(path);
    if (node.fd() < 0) {
        orv::LogNodeOpenFailure(kOp, path, node.error());
        return false;
    }
    uint16_t vendor = 0, product = 0;
    if (v4l2_get_video_vid_pid(node.fd(), &vendor, &product) < 0) {
        CAM_LOG(ANDROID_LOG_ERROR, kOp, " cannot get video vendor id and product id %s \n", path);
        return false;
    }
    int h264 = 0, h265 = 0;
    v4l2_pixel_format_support(node.fd(), &h264, &h265);
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
