// Pixel-format names and frame sizes: pure functions of the fourcc.
#include <stdint.h>

#include "v4l2/v4l2_device.h"

namespace {

uint32_t bits_per_pixel(uint32_t pixfmt) {
    switch (pixfmt) {
        case V4L2_PIX_FMT_NV12:
            return 12;
        case V4L2_PIX_FMT_RGB24:
        case V4L2_PIX_FMT_BGR24:
            return 24;
        case V4L2_PIX_FMT_RGB32:
        case V4L2_PIX_FMT_BGR32:
            return 32;
        case V4L2_PIX_FMT_RGB565:
        case V4L2_PIX_FMT_YUYV:
        case V4L2_PIX_FMT_UYVY:
        case V4L2_PIX_FMT_YUV422P:
            return 16;
        default:  // compressed formats and unknown codes
            return 8;
    }
}

}  // namespace

extern "C" const char *v4l2_get_pixfmt_name(int pixfmt) {
    switch (static_cast<uint32_t>(pixfmt)) {
        case V4L2_PIX_FMT_H264_NO_SC:
            return "V4L2_PIX_FMT_H264_NO_SC";
        case V4L2_PIX_FMT_NV12:
            return "V4L2_PIX_FMT_NV12";
        case V4L2_PIX_FMT_RGB24:
            return "V4L2_PIX_FMT_RGB24";
        case V4L2_PIX_FMT_BGR24:
            return "V4L2_PIX_FMT_BGR24";
        case V4L2_PIX_FMT_H264:
            return "V4L2_PIX_FMT_H264";
        case V4L2_PIX_FMT_H264_MVC:
            return "V4L2_PIX_FMT_H264_MVC";
        case V4L2_PIX_FMT_RGB32:
            return "V4L2_PIX_FMT_RGB32";
        case V4L2_PIX_FMT_BGR32:
            return "V4L2_PIX_FMT_BGR32";
        case V4L2_PIX_FMT_MJPEG:
            return "V4L2_PIX_FMT_MJPEG";
        case V4L2_PIX_FMT_YUV422P:
            return "V4L2_PIX_FMT_YUV422P";
        case V4L2_PIX_FMT_RGB565:
            return "V4L2_PIX_FMT_RGB565";
        case V4L2_PIX_FMT_YUYV:
            return "V4L2_PIX_FMT_YUYV";
        case V4L2_PIX_FMT_UYVY:
            return "V4L2_PIX_FMT_UYVY";
        default:
            return "";
    }
}

extern "C" uint32_t v4l2_get_video_size(int pixfmt, unsigned int width, unsigned int height) {
    const uint32_t bits = width * height * bits_per_pixel(static_cast<uint32_t>(pixfmt));
    return bits >> 3;
}
