// Firmware version text from a device's bcdDevice.
#include "usb/usb_bus.h"
#include "usb/usb_camera.h"

#include <cstdio>
#include <cstring>

#include "orv_log.h"

extern "C" int usb_camera_get_version(char *out, int vendor, int product) {
    if (out == nullptr)
        return -1;
    orv_usb::DeviceList list(orv_usb::context());
    if (!list.ok())
        return -1;

    // The whole list is walked: with several matching devices the last one gives the text.
    char text[USB_CAMERA_VERSION_TEXT_SIZE] = {0};
    bool found = false;
    for (size_t i = 0; i < list.size(); ++i) {
        const orv_usb::UsbDevice dev = list.at(i);
        if (!orv_usb::has_ids(dev, static_cast<uint32_t>(vendor), static_cast<uint32_t>(product)))
            continue;
        orv_usb::log_device(dev);
        const unsigned major = (dev.bcd_device >> 12) & 0xfu;
        const unsigned minor = (dev.bcd_device >> 8) & 0xfu;
        const unsigned build = dev.bcd_device & 0xffu;
        ORV_LOG(ANDROID_LOG_INFO, ORV_TAG_USB, "bcdDevice: %x.%x.%02x\n", major, minor, build);
        snprintf(text, sizeof text, "%x.%x.%02x", major, minor, build);
        found = true;
    }
    if (!found)
        return -1;
    memcpy(out, text, strlen(text) + 1);
    return 0;
}
