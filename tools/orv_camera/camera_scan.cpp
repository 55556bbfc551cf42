#include "camera_scan.h"

#include <cstring>
#include <string>

#include "v4l2/v4l2_device.h"
#include "v4l2/v4l2_formats.h"

namespace orvcli {
namespace {

// Discovery's typing of a (vendor, product) pair.
int TypeOf(int vendor, int product) {
    if (is_orv_switchbox(vendor, product) == 1)
        return ORV_CAMERA_TYPE_SWITCHBOX;
    return is_orv_camera(vendor, product) == 1 ? ORV_CAMERA_TYPE_CAMERA : ORV_CAMERA_TYPE_OTHER;
}

// The node's entry from sysfs, when its driver does not answer the identity request (a node
// that answers and that discovery passed over is no H.264 camera of the maker).
bool FromSysfs(const std::string &node, FoundCamera *found) {
    const int fd = v4l2_open_video(node.c_str());
    if (fd < 0)
        return false;
    uint16_t vendor = 0, product = 0;
    const bool answered = v4l2_get_video_vid_pid(fd, &vendor, &product) == 0;
    int h264 = 0, h265 = 0;
    if (!answered)
        v4l2_pixel_format_support(fd, &h264, &h265);
    v4l2_close_video(fd);
    SysfsUsbDevice usb;
    if (answered || (!h264 && !h265) || !ReadSysfsUsbDevice(node, &usb) ||
        is_orv_device(usb.vendor) != 1)
        return false;
    DiscoveredCamera &e = found->entry;
    std::strncpy(e.name, node.c_str(), sizeof e.name - 1);
    e.type = TypeOf(usb.vendor, usb.product);
    e.vendor_id = usb.vendor;
    e.product_id = usb.product;
    e.supports_h264 = h264 ? 1 : 0;
    e.supports_h265 = h265 ? 1 : 0;
    found->source = IdentitySource::kSysfs;
    found->usb = usb;
    return true;
}

}  // namespace

const char *SourceName(IdentitySource source) {
    return source == IdentitySource::kSysfs ? "sysfs" : "camera";
}

std::vector<FoundCamera> FindCameras() {
    DiscoveredCamera listed[ORV_DISCOVERY_MAX_CAMERAS];
    const int count = discovery_orv_camera(listed);
    std::vector<FoundCamera> cameras;
    int next = 0;
    for (int i = 0; i < ORV_DISCOVERY_MAX_CAMERAS; ++i) {
        const std::string node = "/dev/video" + std::to_string(i);
        FoundCamera found;
        if (next < count && node == listed[next].name) {
            found.entry = listed[next++];
            cameras.push_back(found);
        } else if (FromSysfs(node, &found)) {
            cameras.push_back(found);
        }
    }
    return cameras;
}

}  // namespace orvcli
