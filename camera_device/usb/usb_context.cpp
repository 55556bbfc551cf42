// The process-wide libusb context slot.
#include "usb/usb_bus.h"
#include "usb/usb_camera.h"

#include "orv_log.h"

namespace {

libusb_context *usb_context = nullptr;

}  // namespace

namespace orv_usb {

libusb_context *context() {
    return usb_context;
}

}  // namespace orv_usb

extern "C" int usb_camera_init(void) {
    // A context left open by an unbalanced init is closed, not leaked with its event thread.
    usb_camera_uninit();
    const int r = libusb_init(&usb_context);
    if (r != 0) {
        ORV_LOG(ANDROID_LOG_ERROR, ORV_TAG_USB, "unable to initialize libusb: %i\n", r);
        return -1;
    }
    return 0;
}

extern "C" void usb_camera_uninit(void) {
    if (usb_context == nullptr)
        return;
    libusb_exit(usb_context);
    usb_context = nullptr;
}
