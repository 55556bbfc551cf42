#include "v4l2/v4l2_checked.h"

#include <sys/ioctl.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>

#include "orv_log.h"

namespace orv {
namespace v4l2 {

int checked_ioctl(int fd, unsigned long request, void *arg, const char *fmt, ...) {
    const int ret = ioctl(fd, request, arg);
    if (ret == 0)
        return ret;
    const int err = errno;
    if (orv_log_enabled(ANDROID_LOG_ERROR)) {
        char text[256];
        va_list args;
        va_start(args, fmt);
        vsnprintf(text, sizeof text, fmt, args);
        va_end(args);
        __android_log_print(ANDROID_LOG_ERROR, ORV_TAG_V4L2, "%s" ORV_ERRNO_FMT, text,
                            ORV_ERRNO_ARGS(err));
    }
    errno = err;
    return ret;
}

}  // namespace v4l2
}  // namespace orv
