// The C library functions this library puts in front of the C library's own. Every call on a
// path or descriptor that is not a simulated node goes straight to the C library, untouched.
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <sys/mman.h>
#include <sys/types.h>

#include <string>

#include "node_files.h"
#include "real_libc.h"
#include "sim.h"

using simcam::Sim;
namespace real = simcam::real;

namespace {

mode_t ModeArg(int flags, va_list ap) {
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE
               ? static_cast<mode_t>(va_arg(ap, int))
               : 0;
}

int OpenAny(int dirfd, const char *path, int flags, mode_t mode) {
    // Only absolute node paths are simulated; a relative one never names /dev/videoN here.
    if (Sim::IsNodePath(path))
        return Sim::Get().Open(path, flags);
    std::string text;
    if (path && path[0] == '/' && path[1] == 's' && simcam::SysfsText(path, &text)) {
        if ((flags & O_ACCMODE) != O_RDONLY) {
            errno = EACCES;
            return -1;
        }
        return simcam::OpenText(text, flags);
    }
    return dirfd == AT_FDCWD ? real::Open(path, flags, mode)
                             : real::OpenAt(dirfd, path, flags, mode);
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int open(const char *path, int flags, ...) {
    va_list ap;
    va_start(ap, flags);
    const mode_t mode = ModeArg(flags, ap);
    va_end(ap);
    return OpenAny(AT_FDCWD, path, flags, mode);
}

__attribute__((visibility("default"))) int open64(const char *path, int flags, ...) {
    va_list ap;
    va_start(ap, flags);
    const mode_t mode = ModeArg(flags, ap);
    va_end(ap);
    return OpenAny(AT_FDCWD, path, flags | O_LARGEFILE, mode);
}

__attribute__((visibility("default"))) int openat(int dirfd, const char *path, int flags, ...) {
    va_list ap;
    va_start(ap, flags);
    const mode_t mode = ModeArg(flags, ap);
    va_end(ap);
    return OpenAny(dirfd, path, flags, mode);
}

__attribute__((visibility("default"))) int openat64(int dirfd, const char *path, int flags, ...) {
    va_list ap;
    va_start(ap, flags);
    const mode_t mode = ModeArg(flags, ap);
    va_end(ap);
    return OpenAny(dirfd, path, flags | O_LARGEFILE, mode);
}

// The fortified entry points that _FORTIFY_SOURCE builds call.
__attribute__((visibility("default"))) int __open_2(const char *path, int flags) {
    return OpenAny(AT_FDCWD, path, flags, 0);
}
__attribute__((visibility("default"))) int __open64_2(const char *path, int flags) {
    return OpenAny(AT_FDCWD, path, flags | O_LARGEFILE, 0);
}
__attribute__((visibility("default"))) int __openat_2(int dirfd, const char *path, int flags) {
    return OpenAny(dirfd, path, flags, 0);
}
__attribute__((visibility("default"))) int __openat64_2(int dirfd, const char *path, int flags) {
    return OpenAny(dirfd, path, flags | O_LARGEFILE, 0);
}

__attribute__((visibility("default"))) int close(int fd) {
    if (Sim::MaybeSimFd(fd))
        return Sim::Get().Close(fd);
    return real::Close(fd);
}

__attribute__((visibility("default"))) int ioctl(int fd, unsigned long request, ...) {
    va_list ap;
    va_start(ap, request);
    void *arg = va_arg(ap, void *);
    va_end(ap);
    if (Sim::MaybeSimFd(fd))
        return Sim::Get().Ioctl(fd, request, arg);
    return real::Ioctl(fd, request, arg);
}

__attribute__((visibility("default"))) void *mmap(void *addr, size_t length, int prot, int flags,
                                                  int fd, off_t offset) {
    if (Sim::MaybeSimFd(fd))
        return Sim::Get().Mmap(addr, length, prot, flags, fd, offset);
    return real::Mmap(addr, length, prot, flags, fd, offset);
}

__attribute__((visibility("default"))) void *mmap64(void *addr, size_t length, int prot, int flags,
                                                    int fd, off64_t offset) {
    if (Sim::MaybeSimFd(fd))
        return Sim::Get().Mmap(addr, length, prot, flags, fd, offset);
    return real::Mmap(addr, length, prot, flags, fd, offset);
}

__attribute__((visibility("default"))) int munmap(void *addr, size_t length) {
    int result = 0;
    if (Sim::AnyMapping() && Sim::Get().Munmap(addr, length, &result))
        return result;
    return real::Munmap(addr, length);
}

// Copies of a descriptor share its open file: a copy of a simulated node's descriptor is one
// more descriptor of the same simulated open file.
__attribute__((visibility("default"))) int dup(int fd) {
    return Sim::MaybeSimFd(fd) ? Sim::Get().Duplicated(fd, real::Dup(fd)) : real::Dup(fd);
}

__attribute__((visibility("default"))) int dup2(int oldfd, int newfd) {
    if (!Sim::MaybeSimFd(oldfd) && !Sim::MaybeSimFd(newfd))
        return real::Dup2(oldfd, newfd);
    Sim::Get().Replacing(oldfd, newfd);
    return Sim::Get().Duplicated(oldfd, real::Dup2(oldfd, newfd));
}

__attribute__((visibility("default"))) int dup3(int oldfd, int newfd, int flags) {
    if (!Sim::MaybeSimFd(oldfd) && !Sim::MaybeSimFd(newfd))
        return real::Dup3(oldfd, newfd, flags);
    if (oldfd != newfd)  // dup3 refuses oldfd == newfd (EINVAL) and changes nothing
        Sim::Get().Replacing(oldfd, newfd);
    return Sim::Get().Duplicated(oldfd, real::Dup3(oldfd, newfd, flags));
}

namespace {

int FcntlAny(int fd, int cmd, void *arg) {
    const int r = real::Fcntl(fd, cmd, arg);
    if ((cmd == F_DUPFD || cmd == F_DUPFD_CLOEXEC) && Sim::MaybeSimFd(fd))
        return Sim::Get().Duplicated(fd, r);
    return r;
}

}  // namespace

// Every command's argument is an int or a pointer, passed on as it came.
__attribute__((visibility("default"))) int fcntl(int fd, int cmd, ...) {
    va_list ap;
    va_start(ap, cmd);
    void *arg = va_arg(ap, void *);
    va_end(ap);
    return FcntlAny(fd, cmd, arg);
}

__attribute__((visibility("default"))) int fcntl64(int fd, int cmd, ...) {
    va_list ap;
    va_start(ap, cmd);
    void *arg = va_arg(ap, void *);
    va_end(ap);
    return FcntlAny(fd, cmd, arg);
}

// uvcvideo offers no read() I/O.
__attribute__((visibility("default"))) ssize_t read(int fd, void *buf, size_t count) {
    if (Sim::MaybeSimFd(fd) && Sim::Get().IsSimFd(fd)) {
        errno = EINVAL;
        return -1;
    }
    return real::Read(fd, buf, count);
}

}  // extern "C"
