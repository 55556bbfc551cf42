// Linked last into every test program that runs under qemu-user (cross builds only).
//
// qemu-user forwards only the ioctls it knows; for any other request (V4L2, uvcvideo) it
// answers ENOSYS whatever the descriptor, where a kernel answers EBADF for a descriptor that is
// not open and ENOTTY for one that does not support the request. Tests that drive the failure
// paths on such descriptors expect the kernel's answer, so this gives it: an ENOSYS from the
// emulator becomes EBADF or ENOTTY. Every other result passes through unchanged, and so does
// every request the simulated camera answers in-process: it comes first in the symbol search
// order and forwards only the rest here.
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <sys/ioctl.h>

namespace {

using IoctlFn = int (*)(int, unsigned long, void *);

IoctlFn next_ioctl() {
    static const IoctlFn next = reinterpret_cast<IoctlFn>(dlsym(RTLD_NEXT, "ioctl"));
    return next;
}

}  // namespace

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept {
    va_list ap;
    va_start(ap, request);
    void *arg = va_arg(ap, void *);
    va_end(ap);
    const int result = next_ioctl()(fd, request, arg);
    if (result == -1 && errno == ENOSYS)
        errno = fcntl(fd, F_GETFD) == -1 ? EBADF : ENOTTY;
    return result;
}
