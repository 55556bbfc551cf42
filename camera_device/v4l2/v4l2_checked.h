// The layer's checked ioctl: one call, and on failure one ERROR line under "ORVCam/v4l2" that
// names the request, so the message and the errno it reports cannot drift apart.
#pragma once

namespace orv {
namespace v4l2 {

// ioctl(fd, request, arg). When it fails, logs the caller's text (`fmt` and its arguments)
// followed by "errno:%d(%s)". Returns the ioctl's result, errno as the ioctl left it.
int checked_ioctl(int fd, unsigned long request, void *arg, const char *fmt, ...)
    __attribute__((format(printf, 4, 5)));

}  // namespace v4l2
}  // namespace orv
