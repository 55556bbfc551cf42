#include "uvc/uvc_h264.h"

#include "orv_log.h"
#include "uvc/uvc_xu_query.h"

namespace uvcx = orv::uvcx;

namespace {

// Commits a set request; its result is the caller's result.
int commit(int unit, int fd, UvcxVideoConfig block) {
    return send_uvc_command_set(unit, fd, &block);
}

// Reads the camera's configuration into `block`; nonzero on failure.
int probe(int unit, int fd, UvcxVideoConfig *block) {
    *block = uvcx::zeroed_config();
    return send_uvc_command_get(unit, fd, block);
}

template <typename T>
void store(T *out, T value) {
    if (out)
        *out = value;
}

}  // namespace

extern "C" int uvc_set_h264_resolution(int unit, int fd, int width, int height) {
    ORV_LOG_FN(ANDROID_LOG_INFO, ORV_TAG_UVC, __func__, " widthxheight:%dx%d", width, height);
    return commit(unit, fd, uvcx::resolution_request(width, height));
}

extern "C" int uvc_get_h264_resolution(int unit, int fd, int *width, int *height) {
    ORV_LOG_FN(ANDROID_LOG_INFO, ORV_TAG_UVC, __func__, " fd:%d", fd);
    UvcxVideoConfig block;
    const int ret = probe(unit, fd, &block);
    if (ret != 0)
        return ret;
    store(width, uvcx::widen_signed16(uvcx::width(block)));
    store(height, uvcx::widen_signed16(uvcx::height(block)));
    return ret;
}

extern "C" int uvc_set_h264_framerate(int unit, int fd, unsigned int fps) {
    ORV_LOG_FN(ANDROID_LOG_INFO, ORV_TAG_UVC, __func__, " framerate:%d", static_cast<int>(fps));
    return commit(unit, fd, uvcx::frame_rate_request(fps));
}

extern "C" int uvc_get_h264_framerate(int unit, int fd, unsigned int *fps) {
    ORV_LOG_FN(ANDROID_LOG_INFO, ORV_TAG_UVC, __func__, " fd:%d", fd);
    UvcxVideoConfig block;
    const int ret = probe(unit, fd, &block);
    if (ret != 0)
        return ret;
    store(fps,
          static_cast<unsigned int>(uvcx::fps_from_frame_interval(uvcx::frame_interval(block))));
    return ret;
}

extern "C" int uvc_set_h264_profile(int unit, int fd, int profile) {
    ORV_LOG_FN(ANDROID_LOG_INFO, ORV_TAG_UVC, __func__, " profile:%d", profile);
    return commit(unit, fd, uvcx::profile_request(profile));
}

extern "C" int uvc_get_h264_profile(int unit, int fd, int *profile) {
    ORV_LOG_FN(ANDROID_LOG_INFO, ORV_TAG_UVC, __func__, " fd:%d", fd);
    UvcxVideoConfig block;
    const int ret = probe(unit, fd, &block);
    if (ret != 0)
        return ret;
    store(profile, uvcx::widen_signed16(uvcx::profile(block)));
    return ret;
}

extern "C" int uvc_set_h264_rate_control_mode(int unit, int fd, int mode) {
    ORV_LOG_FN(ANDROID_LOG_INFO, ORV_TAG_UVC, __func__, " mode:%d", mode);
    return commit(unit, fd, uvcx::rate_control_mode_request(mode));
}

extern "C" int uvc_get_h264_rate_control_mode(int unit, int fd, int *mode) {
    ORV_LOG_FN(ANDROID_LOG_INFO, ORV_TAG_UVC, __func__, " unit:%x fd:%d",
               static_cast<unsigned>(unit), fd);
    UvcxVideoConfig block;
    const int ret = probe(unit, fd, &block);
    if (ret != 0)
        return ret;
    store(mode, static_cast<int>(uvcx::rate_control_mode(block)));
    return ret;
}

extern "C" int uvc_set_h264_bitrate(int unit, int fd, int bitrate) {
    ORV_LOG_FN(ANDROID_LOG_INFO, ORV_TAG_UVC, __func__, " bitrate:%d", bitrate);
    return commit(unit, fd, uvcx::bit_rate_request(bitrate));
}

extern "C" int uvc_get_h264_bitrate(int unit, int fd, int *bitrate) {
    ORV_LOG_FN(ANDROID_LOG_INFO, ORV_TAG_UVC, __func__, " unit:%x fd:%d",
               static_cast<unsigned>(unit), fd);
    UvcxVideoConfig block;
    const int ret = probe(unit, fd, &block);
    if (ret != 0)
        return ret;
    store(bitrate, uvcx::as_signed32(uvcx::bit_rate(block)));
    return ret;
}

extern "C" int uvc_set_h264_iframe_peroid(int unit, int fd, int period) {
    ORV_LOG_FN(ANDROID_LOG_INFO, ORV_TAG_UVC, __func__, " iframe peroid:%d", period);
    return commit(unit, fd, uvcx::iframe_period_request(period));
}

extern "C" int uvc_get_h264_iframe_peroid(int unit, int fd, int *period) {
    ORV_LOG_FN(ANDROID_LOG_INFO, ORV_TAG_UVC, __func__, " unit:%x fd:%d",
               static_cast<unsigned>(unit), fd);
    UvcxVideoConfig block;
    const int ret = probe(unit, fd, &block);
    if (ret != 0)
        return ret;
    store(period, uvcx::widen_signed16(uvcx::iframe_period(block)));
    return ret;
}
