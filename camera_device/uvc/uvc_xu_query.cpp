#include "uvc/uvc_xu_query.h"

#include <linux/usb/video.h>
#include <linux/uvcvideo.h>
#include <sys/ioctl.h>

#include <cerrno>

#include "orv_log.h"

namespace orv {
namespace uvc {

int xu_query(int fd, int unit, uint8_t selector, uint8_t query, uint16_t size, uint8_t *data) {
    if (data == nullptr && size != 0) {
        errno = EFAULT;
        return -1;
    }
    struct uvc_xu_control_query q = {};
    q.unit = static_cast<uint8_t>(unit);
    q.selector = selector;
    q.query = query;
    q.size = size;
    q.data = data;
    return ioctl(fd, UVCIOC_CTRL_QUERY, &q);
}

}  // namespace uvc
}  // namespace orv

extern "C" int send_uvc_command_set(int unit, int fd, UvcxVideoConfig *block) {
    const int ret = orv::uvc::xu_query(fd, unit, UVCX_VIDEO_CONFIG_COMMIT, UVC_SET_CUR,
                                       UVCX_VIDEO_CONFIG_SIZE, block ? block->bytes : nullptr);
    if (ret < 0) {
        const int err = errno;
        ORV_LOG_FN(ANDROID_LOG_ERROR, ORV_TAG_UVC, __func__,
                   " UVCX_VIDEO_CONFIG_COMMIT SET_CUR send_uvc_command_set, " ORV_ERRNO_FMT,
                   ORV_ERRNO_ARGS(err));
        return -1;
    }
    ORV_LOG_FN(ANDROID_LOG_INFO, ORV_TAG_UVC, __func__,
               " UVCX_VIDEO_CONFIG_COMMIT SET_CUR send_uvc_command_set ret: %d", ret);
    return ret;
}

extern "C" int send_uvc_command_get(int unit, int fd, UvcxVideoConfig *block) {
    const int ret = orv::uvc::xu_query(fd, unit, UVCX_VIDEO_CONFIG_PROBE, UVC_GET_CUR,
                                       UVCX_VIDEO_CONFIG_SIZE, block ? block->bytes : nullptr);
    if (ret < 0) {
        const int err = errno;
        ORV_LOG_FN(ANDROID_LOG_ERROR, ORV_TAG_UVC, __func__,
                   " UVCX_VIDEO_CONFIG_PROBE GET_CUR send_uvc_command_get, " ORV_ERRNO_FMT,
                   ORV_ERRNO_ARGS(err));
        return 1;
    }
    ORV_LOG_FN(ANDROID_LOG_INFO, ORV_TAG_UVC, __func__,
               " UVCX_VIDEO_CONFIG_PROBE GET_CUR send_uvc_command_get ret: %d", ret);
    return ret;
}
