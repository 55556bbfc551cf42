// Which coded formats a node offers, and the USB identity of the camera behind it.
#include <sys/ioctl.h>

#include <cerrno>
#include <cstring>

#include "v4l2/v4l2_device.h"
#include "v4l2/v4l2_formats.h"

namespace {

// A format with this code is taken for H.265, which has no fourcc here.
constexpr uint32_t kH265Code = 0;

// The cameras' driver answers this request with the camera's 18-byte USB device descriptor.
constexpr size_t kIdentitySize = 18;
constexpr unsigned long kIdentityRequest = 0xC0125678;
static_assert(kIdentityRequest == _IOC(_IOC_READ | _IOC_WRITE, 'V', 120, kIdentitySize),
              "identity request: read-write, 'V', 120, 18 bytes");

// Index of the first capture format with `code`, or -1.
int first_format_with(int fd, uint32_t code) {
    struct v4l2_fmtdesc desc = {};
    desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    for (; ioctl(fd, VIDIOC_ENUM_FMT, &desc) == 0; ++desc.index) {
        if (desc.pixelformat == code)
            return static_cast<int>(desc.index);
    }
    return -1;
}

uint16_t le16(const uint8_t *bytes) {
    return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

}  // namespace

extern "C" int v4l2_pixel_format_support(int fd, int *h264, int *h265) {
    int found_h264 = 0;
    int found_h265 = 0;
    struct v4l2_fmtdesc desc = {};
    desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    for (; ioctl(fd, VIDIOC_ENUM_FMT, &desc) == 0; ++desc.index) {
        if (desc.pixelformat == V4L2_PIX_FMT_H264)
            found_h264 = 1;
        else if (desc.pixelformat == kH265Code)
            found_h265 = 1;
    }
    if (h264 != nullptr)
        *h264 = found_h264;
    if (h265 != nullptr)
        *h265 = found_h265;
    return 0;
}

extern "C" int v4l2_support_h264(int fd) {
    return first_format_with(fd, V4L2_PIX_FMT_H264);
}

extern "C" int v4l2_support_h265(int fd) {
    return first_format_with(fd, kH265Code);
}

extern "C" int v4l2_get_video_vid_pid(int fd, uint16_t *vid, uint16_t *pid) {
    uint8_t descriptor[kIdentitySize] = {};
    if (ioctl(fd, kIdentityRequest, descriptor) != 0)
        return -1;
    if (vid != nullptr)
        *vid = le16(descriptor + 8);
    if (pid != nullptr)
        *pid = le16(descriptor + 10);
    return 0;
}
