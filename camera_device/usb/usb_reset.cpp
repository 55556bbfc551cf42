// USB reset of a device through its usbfs node.
#include "usb/usb_bus.h"
#include "usb/usb_camera.h"

#include <fcntl.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "orv_fd.h"
#include "orv_log.h"

namespace {

void log_failure(const char *path, int err) {
    ORV_LOG(ANDROID_LOG_ERROR, ORV_TAG_USB, "open %s error:%d(%s)\n", path, ORV_ERRNO_ARGS(err));
}

// Opens the usbfs node and asks the kernel to reset the device behind it.
int reset_node(const char *path) {
    const orv::UniqueFd node(open(path, O_WRONLY));
    if (node.get() < 0) {
        // No ioctl on a descriptor we do not have: report the open's own errno.
        log_failure(path, errno);
        return -1;
    }
    if (ioctl(node.get(), USBDEVFS_RESET, nullptr) != 0) {
        log_failure(path, errno);
        return -1;
    }
    return 0;
}

}  // namespace

extern "C" int usb_camera_reset(int vendor, int product) {
    char path[256] = {0};
    orv_usb::DeviceList list(orv_usb::context());
    if (!list.ok())
        return -1;

    for (size_t i = 0; i < list.size(); ++i) {
        const orv_usb::UsbDevice dev = list.at(i);
        orv_usb::log_device(dev);
        if (!orv_usb::has_ids(dev, static_cast<uint32_t>(vendor), static_cast<uint32_t>(product)))
            continue;
        ORV_LOG(ANDROID_LOG_INFO, ORV_TAG_USB, "find Bus %03u Device %03u: ID %04x:%04x\n", dev.bus,
                dev.address, dev.vendor, dev.product);
        list.release();
        snprintf(path, sizeof path, "/dev/bus/usb/%03u/%03u", dev.bus, dev.address);
        ORV_LOG(ANDROID_LOG_INFO, ORV_TAG_USB, "reset usb camera=%s vid:pid=%04x:%04x\n", path,
                static_cast<unsigned>(vendor), static_cast<unsigned>(product));
        return reset_node(path);
    }
    return -1;
}
