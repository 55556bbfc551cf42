// Opening and closing a video node, its identity, and its brightness control.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "orv_log.h"
#include "v4l2/v4l2_checked.h"
#include "v4l2/v4l2_device.h"
#include "v4l2/v4l2_driver_text.h"

using orv::v4l2::DriverText;

extern "C" int v4l2_open_video(const char *path) {
    if (path == nullptr)
        return -1;
    const int fd = open(path, O_RDWR | O_NONBLOCK);
    if (fd > 0) {
        ORV_LOG(ANDROID_LOG_INFO, ORV_TAG_V4L2, "open ok, %s: dev:%s fd:%d", __func__, path, fd);
        return fd;
    }
    const int err = errno;
    // Descriptor 0 means "no device" to every caller: give it back rather than leak the node.
    if (fd == 0)
        close(fd);
    ORV_LOG(ANDROID_LOG_ERROR, ORV_TAG_V4L2, "open error, fd:%d dev:%s, " ORV_ERRNO_FMT, fd, path,
            ORV_ERRNO_ARGS(err));
    return -1;
}

extern "C" int v4l2_close_video(int fd) {
    if (fd > 0)
        return close(fd);
    return fd;
}

extern "C" void v4l2_get_video_cap(int fd) {
    struct v4l2_capability cap = {};
    if (ioctl(fd, VIDIOC_QUERYCAP, &cap) != 0)
        return;
    ORV_LOG(ANDROID_LOG_INFO, ORV_TAG_V4L2, "%s: fd:%d driver:%s card:%s bus:%s version:%d",
            __func__, fd, DriverText<sizeof cap.driver>(cap.driver).c_str(),
            DriverText<sizeof cap.card>(cap.card).c_str(),
            DriverText<sizeof cap.bus_info>(cap.bus_info).c_str(), static_cast<int>(cap.version));
}

extern "C" int v4l2_is_streaming_capture(int fd) {
    struct v4l2_capability cap = {};
    if (ioctl(fd, VIDIOC_QUERYCAP, &cap) != 0)
        return 0;
    // The node's own capabilities, where the driver reports them apart from the device's.
    const uint32_t caps =
        (cap.capabilities & V4L2_CAP_DEVICE_CAPS) != 0 ? cap.device_caps : cap.capabilities;
    const uint32_t needed = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
    return (caps & needed) == needed ? 1 : 0;
}

extern "C" int v4l2_set_brightness(int fd, int brightness) {
    ORV_LOG(ANDROID_LOG_INFO, ORV_TAG_V4L2, "%s = %d\n", __func__, brightness);
    struct v4l2_control control = {};
    control.id = V4L2_CID_BRIGHTNESS;
    control.value = brightness;
    return ioctl(fd, VIDIOC_S_CTRL, &control);
}

extern "C" int v4l2_get_brightness(int fd, int *brightness) {
    struct v4l2_queryctrl query = {};
    query.id = V4L2_CID_BRIGHTNESS;
    if (ioctl(fd, VIDIOC_QUERYCTRL, &query) != 0)
        return 0;
    struct v4l2_control control = {};
    control.id = V4L2_CID_BRIGHTNESS;
    if (orv::v4l2::checked_ioctl(fd, VIDIOC_G_CTRL, &control, "VIDIOC_G_CTRL failed, ") < 0)
        return 0;
    ORV_LOG(ANDROID_LOG_INFO, ORV_TAG_V4L2,
            "%-14s : id=%08x, type=%d, minimum=%d, maximum=%d\n\t\t value = %d, step=%d, "
            "default_value=%d\n",
            DriverText<sizeof query.name>(query.name).c_str(), query.id,
            static_cast<int>(query.type), query.minimum, query.maximum, control.value, query.step,
            query.default_value);
    if (brightness != nullptr)
        *brightness = control.value;
    return 0;
}
