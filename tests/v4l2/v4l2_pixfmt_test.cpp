// Pixel-format names and frame sizes.
#include <gtest/gtest.h>

#include <string>

#include "v4l2/v4l2_device.h"

namespace {

TEST(PixelFormat, NamesOfEveryKnownCodeAndEmptyForOthers) {
    const struct {
        int code;
        const char *name;
    } known[] = {{0x31435641, "V4L2_PIX_FMT_H264_NO_SC"}, {0x3231564E, "V4L2_PIX_FMT_NV12"},
                 {0x33424752, "V4L2_PIX_FMT_RGB24"},      {0x33524742, "V4L2_PIX_FMT_BGR24"},
                 {0x34363248, "V4L2_PIX_FMT_H264"},       {0x3436324D, "V4L2_PIX_FMT_H264_MVC"},
                 {0x34424752, "V4L2_PIX_FMT_RGB32"},      {0x34524742, "V4L2_PIX_FMT_BGR32"},
                 {0x47504A4D, "V4L2_PIX_FMT_MJPEG"},      {0x50323234, "V4L2_PIX_FMT_YUV422P"},
                 {0x50424752, "V4L2_PIX_FMT_RGB565"},     {0x56595559, "V4L2_PIX_FMT_YUYV"},
                 {0x59565955, "V4L2_PIX_FMT_UYVY"}};
    for (const auto &k : known)
        EXPECT_EQ(std::string(k.name), v4l2_get_pixfmt_name(k.code)) << std::hex << k.code;
    for (int code : {0, -1, 0x30385056 /* VP80 */, 0x34363247})
        EXPECT_EQ(std::string(), v4l2_get_pixfmt_name(code)) << std::hex << code;
}

TEST(PixelFormat, FrameSizesByBitsPerPixel) {
    EXPECT_EQ(3110400u, v4l2_get_video_size(0x3231564E, 1920, 1080));  // NV12, 12
    EXPECT_EQ(2073600u, v4l2_get_video_size(0x34363248, 1920, 1080));  // H264, 8
    EXPECT_EQ(4147200u, v4l2_get_video_size(0x56595559, 1920, 1080));  // YUYV, 16
    EXPECT_EQ(4147200u, v4l2_get_video_size(0x50323234, 1920, 1080));  // 422P, 16
    EXPECT_EQ(921600u, v4l2_get_video_size(0x33524742, 640, 480));     // BGR3, 24
    EXPECT_EQ(1228800u, v4l2_get_video_size(0x34424752, 640, 480));    // RGB4, 32
    EXPECT_EQ(307200u, v4l2_get_video_size(0, 640, 480));              // unknown, 8
    // The product wraps in 32 bits before the shift: 65536 * 65536 * 16 is 0.
    EXPECT_EQ(0u, v4l2_get_video_size(0x56595559, 65536, 65536));
    EXPECT_EQ((65536u * 32768u * 12u) >> 3, v4l2_get_video_size(0x3231564E, 65536, 32768));
}

}  // namespace
