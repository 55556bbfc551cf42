#include "uvc/uvc_maker_commands.h"

#include <linux/usb/video.h>

#include <cstdint>

#include "orv_log.h"
#include "uvc/uvc_xu_query.h"

using orv::uvc::checked_xu_query;

extern "C" int uvc_send_iframe_request(int unit, int fd) {
    static const char kWhat[] = " UVCX_PICTURE_TYPE_CONTROL SET_CUR uvc_send_iframe_request";
    uint8_t payload[4] = {0, 0, 0, 0};  // layer or view 0, picture type 0 (I-frame)
    const int ret =
        checked_xu_query(UVC_EXCHANGE(__func__, kWhat, kWhat), fd, unit, UVCX_PICTURE_TYPE_CONTROL,
                         UVC_SET_CUR, sizeof payload, payload);
    return ret < 0 ? -1 : 0;
}

extern "C" int uvc_get_hdmiin_state(int fd, void *buf) {
    // The lines of this request carry the name of the exchange, not of the function.
    static const char kWhat[] = " UVCX_VIDEO_CONFIG_PROBE GET_CUR send_uvc_hdmiin_state_get";
    // Read into a local byte so that a failed request leaves the caller's buffer as it was.
    uint8_t state = 0;
    if (checked_xu_query(UVC_EXCHANGE("send_uvc_hdmiin_state_get", kWhat, kWhat), fd,
                         UVC_ENTITY_ID_XU_HDMIIN, UVC_HDMIIN_STATE_SELECTOR, UVC_GET_CUR, 1,
                         &state) < 0)
        return -1;
    if (buf)
        *static_cast<uint8_t *>(buf) = state;
    return 0;
}

extern "C" int uvc_send_osd_cmd(int fd, int cmd) {
    uint8_t code = static_cast<uint8_t>(cmd);  // the low byte: selector and payload alike
    return checked_xu_query(UVC_EXCHANGE(__func__, " uvc_send_osd_cmd SET_CUR ",
                                         " UVC_ENTITY_ID_XU_MENU SET_CUR uvc_send_osd_cmd"),
                            fd, UVC_ENTITY_ID_XU_MENU, code, UVC_SET_CUR, 1, &code);
}

extern "C" int uvc_get_osd_status(int fd) {
    uint8_t status = 0;
    if (checked_xu_query(UVC_EXCHANGE(__func__, " uvc_get_osd_status GET_CUR ",
                                      " UVCX_MENU_CTRL_STATUS GET_CUR uvc_get_osd_status"),
                         fd, UVC_ENTITY_ID_XU_MENU, UVCX_MENU_CTRL_STATUS, UVC_GET_CUR, 1,
                         &status) < 0)
        return -1;
    return status;  // 0 to 255: never the failure value
}
