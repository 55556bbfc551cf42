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

int checked_xu_query(const Exchange &x, int fd, int unit, uint8_t selector, uint8_t query,
                     uint16_t size, uint8_t *data) {
    const int ret = xu_query(fd, unit, selector, query, size, data);
    if (ret < 0) {
        const int err = errno;
        ORV_LOG(ANDROID_LOG_ERROR, ORV_TAG_UVC, "[%d][%s]%s, " ORV_ERRNO_FMT, x.line, x.fn,
                x.failed, ORV_ERRNO_ARGS(err));
        errno = err;
        return -1;
    }
    ORV_LOG(ANDROID_LOG_INFO, ORV_TAG_UVC, "[%d][%s]%s ret: %d", x.line, x.fn, x.done, ret);
    return ret;
}

}  // namespace uvc
}  // namespace orv

extern "C" int send_uvc_command_set(int unit, int fd, UvcxVideoConfig *block) {
    static const char kWhat[] = " UVCX_VIDEO_CONFIG_COMMIT SET_CUR send_uvc_command_set";
    return orv::uvc::checked_xu_query(UVC_EXCHANGE(__func__, kWhat, kWhat), fd, unit,
                                      UVCX_VIDEO_CONFIG_COMMIT, UVC_SET_CUR, UVCX_VIDEO_CONFIG_SIZE,
                                      block ? block->bytes : nullptr);
}

extern "C" int send_uvc_command_get(int unit, int fd, UvcxVideoConfig *block) {
    static const char kWhat[] = " UVCX_VIDEO_CONFIG_PROBE GET_CUR send_uvc_command_get";
    const int ret = orv::uvc::checked_xu_query(
        UVC_EXCHANGE(__func__, kWhat, kWhat), fd, unit, UVCX_VIDEO_CONFIG_PROBE, UVC_GET_CUR,
        UVCX_VIDEO_CONFIG_SIZE, block ? block->bytes : nullptr);
    return ret < 0 ? 1 : ret;
}
