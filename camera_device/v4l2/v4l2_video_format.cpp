// The node's capture format and frame rate.
#include <sys/ioctl.h>

#include "orv_log.h"
#include "v4l2/v4l2_checked.h"
#include "v4l2/v4l2_device.h"
#include "v4l2/v4l2_format_log.h"

using orv::v4l2::checked_ioctl;

extern "C" int v4l2_get_video_fmt(int fd, int *pixfmt, int *width, int *height) {
    struct v4l2_fmtdesc desc = {};
    desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    while (ioctl(fd, VIDIOC_ENUM_FMT, &desc) == 0) {
        ++desc.index;
        orv::v4l2::log_supported_format(__func__, fd, static_cast<int>(desc.index), desc);
    }

    struct v4l2_format fmt = {};
    fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (checked_ioctl(fd, VIDIOC_G_FMT, &fmt, "%s: fd:%d v4l2_get_video_fmt failed, ", __func__,
                      fd) != 0)
        return -1;
    const int got_pixfmt = static_cast<int>(fmt.fmt.pix.pixelformat);
    const int got_width = static_cast<int>(fmt.fmt.pix.width);
    const int got_height = static_cast<int>(fmt.fmt.pix.height);
    if (pixfmt != nullptr)
        *pixfmt = got_pixfmt;
    if (width != nullptr)
        *width = got_width;
    if (height != nullptr)
        *height = got_height;
    ORV_LOG(ANDROID_LOG_INFO, ORV_TAG_V4L2, "%s: fd:%d current format:%d width:%d height:%d\n",
            __func__, fd, got_pixfmt, got_width, got_height);
    return 0;
}

extern "C" int v4l2_set_video_fmt(int fd, int pixfmt, int width, int height) {
    struct v4l2_format fmt = {};
    fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    // Either request's failure is reported with the format as it stood when it was sent.
    const auto request = [&](unsigned long code) {
        return checked_ioctl(
            fd, code, &fmt, "%s: fd:%d v4l2_set_video_fmt failed, pixfmt:%d width:%d height:%d ",
            "v4l2_set_video_fmt", fd, static_cast<int>(fmt.fmt.pix.pixelformat),
            static_cast<int>(fmt.fmt.pix.width), static_cast<int>(fmt.fmt.pix.height));
    };
    if (request(VIDIOC_G_FMT) != 0)
        return -1;
    fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    fmt.fmt.pix.pixelformat = static_cast<__u32>(pixfmt);
    fmt.fmt.pix.width = static_cast<__u32>(width);
    fmt.fmt.pix.height = static_cast<__u32>(height);
    fmt.fmt.pix.field = V4L2_FIELD_INTERLACED;
    return request(VIDIOC_S_FMT) != 0 ? -1 : 0;
}

extern "C" int v4l2_get_fps(int fd, int *fps) {
    struct v4l2_streamparm parm = {};
    parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    const int ret = ioctl(fd, VIDIOC_G_PARM, &parm);
    if (ret != 0)
        return -1;
    const struct v4l2_fract &tpf = parm.parm.capture.timeperframe;
    if (tpf.numerator == 0) {
        ORV_LOG(ANDROID_LOG_ERROR, ORV_TAG_V4L2,
                "%s: fd:%d no frame rate, numerator:%d denominator:%d", __func__, fd,
                static_cast<int>(tpf.numerator), static_cast<int>(tpf.denominator));
        return -1;
    }
    if (fps != nullptr)
        *fps = static_cast<int>(tpf.denominator / tpf.numerator);
    ORV_LOG(ANDROID_LOG_INFO, ORV_TAG_V4L2, "%s: fd:%d numerator:%d denominator:%d capturemode:%d",
            __func__, fd, static_cast<int>(tpf.numerator), static_cast<int>(tpf.denominator),
            static_cast<int>(parm.parm.capture.capturemode));
    return ret;
}

extern "C" int v4l2_set_fps(int fd, int fps) {
    struct v4l2_streamparm parm = {};
    parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    parm.parm.capture.timeperframe.numerator = 1;
    parm.parm.capture.timeperframe.denominator = static_cast<__u32>(fps);
    return checked_ioctl(fd, VIDIOC_S_PARM, &parm, "%s: fd:%d v4l2_set_fps failed, fps:%d ",
                         __func__, fd, fps);
}
