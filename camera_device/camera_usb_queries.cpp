// The USB-level queries: each brackets one call of the USB module between usb_camera_init and
// usb_camera_uninit, so no libusb context stays open between calls. The module's context is
// one process-wide slot, so the brackets are serialised here: a second thread's uninit would
// otherwise close the context under the first thread's query.
#include <mutex>

#include "camera_discovery.h"
#include "camera_internal.h"
#include "usb/usb_camera.h"

namespace {

std::mutex usb_query_lock;

// Runs `query` between init and uninit under the lock; init failure gives -1 with the ERROR
// line of `op`, before `query` runs.
template <typename Query>
int Bracketed(const char *op, Query query) {
    std::lock_guard<std::mutex> lock(usb_query_lock);
    if (usb_camera_init() < 0) {
        CAM_LOG(ANDROID_LOG_ERROR, op, " usb camera init error");
        return -1;
    }
    const int result = query();
    usb_camera_uninit();
    return result;
}

}  // namespace

extern "C" {

const char *get_sdk_version(void) {
    return "2.1.2";
}

int has_orv_camera(int *vendor_out, int *product_out) {
    if (!vendor_out || !product_out)
        return -1;
    return Bracketed("has_orv_camera", [&] {
        if (usb_camera_has_orv_camera(vendor_out, product_out) >= 0)
            return 0;
        CAM_LOG(ANDROID_LOG_ERROR, "has_orv_camera", " not have orv camera");
        return -1;
    });
}

int has_orv_dual_stream_camera(int *vendor_out, int *product_out) {
    if (!vendor_out || !product_out)
        return -1;
    return Bracketed("has_orv_dual_stream_camera", [&] {
        if (usb_camera_has_orv_dual_stream_camera(vendor_out, product_out) >= 0)
            return 0;
        CAM_LOG(ANDROID_LOG_ERROR, "has_orv_dual_stream_camera",
                " not have orv dual stream camera");
        return -1;
    });
}

int get_orv_camera_version(int vendor, int product, char *out) {
    if (!out)
        return -1;
    return Bracketed("get_orv_camera_version", [&] {
        if (usb_camera_get_version(out, vendor, product) >= 0) {
            CAM_LOG(ANDROID_LOG_INFO, "get_orv_camera_version", " vid:pid(%x:%x) version:%s",
                    vendor, product, out);
            return 0;
        }
        CAM_LOG(ANDROID_LOG_ERROR, "get_orv_camera_version", " get camera version error");
        return -1;
    });
}

int reset_orv_camera(int vendor, int product) {
    CAM_LOG(ANDROID_LOG_INFO, "reset_orv_camera", " vid:pid(%04x:%04x)", vendor, product);
    return Bracketed("reset_orv_camera", [&] {
        const int result = usb_camera_reset(vendor, product);
        if (result < 0)
            CAM_LOG(ANDROID_LOG_ERROR, "reset_orv_camera", " usb camera reset error");
        return result;
    });
}

}  // extern "C"
