#include "uvc/uvc_maker_commands.h"

#include <linux/usb/video.h>

#include <cerrno>
#include <cstdint>

#include "orv_log.h"
#include "uvc/uvc_xu_query.h"

using orv::uvc::xu_query;

extern "C" int uvc_send_iframe_request(int unit, int fd) {
    uint8_t payload[4] = {0, 0, 0, 0};  // layer or view 0, picture type 0 (I-frame)
    const int ret =
        xu_query(fd, unit, UVCX_PICTURE_TYPE_CONTROL, UVC_SET_CUR, sizeof payload, payload);
    if (ret < 0) {
        const int err = errno;
        ORV_LOG_FN(ANDROID_LOG_ERROR, ORV_TAG_UVC, __func__,
                   " UVCX_PICTURE_TYPE_CONTROL SET_CUR uvc_send_iframe_request, " ORV_ERRNO_FMT,
                   ORV_ERRNO_ARGS(err));
        return -1;
    }
    ORV_LOG_FN(ANDROID_LOG_INFO, ORV_TAG_UVC, __func__,
               " UVCX_PICTURE_TYPE_CONTROL SET_CUR uvc_send_iframe_request ret: %d", ret);
    return 0;
}

extern "C" int uvc_get_hdmiin_state(int fd, void *buf) {
    // The lines of this request carry the name of the exchange, not of the function.
    static const char kName[] = "send_uvc_hdmiin_state_get";
    // Read into a local byte so that a failed request leaves the caller's buffer as it was.
    uint8_t state = 0;
    const int ret =
        xu_query(fd, UVC_ENTITY_ID_XU_HDMIIN, UVC_HDMIIN_STATE_SELECTOR, UVC_GET_CUR, 1, &state);
    if (ret < 0) {
        const int err = errno;
        ORV_LOG_FN(ANDROID_LOG_ERROR, ORV_TAG_UVC, kName,
                   " UVCX_VIDEO_CONFIG_PROBE GET_CUR send_uvc_hdmiin_state_get, " ORV_ERRNO_FMT,
                   ORV_ERRNO_ARGS(err));
        return -1;
    }
    ORV_LOG_FN(ANDROID_LOG_INFO, ORV_TAG_UVC, kName,
               " UVCX_VIDEO_CONFIG_PROBE GET_CUR send_uvc_hdmiin_state_get ret: %d", ret);
    if (buf)
        *static_cast<uint8_t *>(buf) = state;
    return 0;
}

extern "C" int uvc_send_osd_cmd(int fd, int cmd) {
    uint8_t code = static_cast<uint8_t>(cmd);  // the low byte: selector and payload alike
    const int ret = xu_query(fd, UVC_ENTITY_ID_XU_MENU, code, UVC_SET_CUR, 1, &code);
    if (ret < 0) {
        const int err = errno;
        ORV_LOG_FN(ANDROID_LOG_ERROR, ORV_TAG_UVC, __func__,
                   " uvc_send_osd_cmd SET_CUR , " ORV_ERRNO_FMT, ORV_ERRNO_ARGS(err));
        return -1;
    }
    ORV_LOG_FN(ANDROID_LOG_INFO, ORV_TAG_UVC, __func__,
               " UVC_ENTITY_ID_XU_MENU SET_CUR uvc_send_osd_cmd ret: %d", ret);
    return ret;
}

extern "C" int uvc_get_osd_status(int fd) {
    uint8_t status = 0;
    const int ret =
        xu_query(fd, UVC_ENTITY_ID_XU_MENU, UVCX_MENU_CTRL_STATUS, UVC_GET_CUR, 1, &status);
    if (ret < 0) {
        const int err = errno;
        ORV_LOG_FN(ANDROID_LOG_ERROR, ORV_TAG_UVC, __func__,
                   " uvc_get_osd_status GET_CUR , " ORV_ERRNO_FMT, ORV_ERRNO_ARGS(err));
        return -1;
    }
    ORV_LOG_FN(ANDROID_LOG_INFO, ORV_TAG_UVC, __func__,
               " UVCX_MENU_CTRL_STATUS GET_CUR uvc_get_osd_status ret: %d", ret);
    return status;  // 0 to 255: never the failure value
}
