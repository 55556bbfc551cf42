// The next definition of each interposed function (the C library's), found once with
// dlsym(RTLD_NEXT); the raw system call when there is none.
#include "real_libc.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>

namespace simcam {
namespace real {
namespace {

template <typename Fn>
Fn Next(const char *name) {
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

// The next function, looked up once, for calls that ThreadSanitizer runs with its interceptors
// ignored (poll and ppoll): it does not see the guard of a function-local static there, so the
// slot is an atomic, which it always sees. Two first calls may both look it up; they find the
// same function.
template <typename Fn>
Fn NextOnce(std::atomic<Fn> &slot, const char *name) {
    Fn fn = slot.load(std::memory_order_acquire);
    if (!fn) {
        fn = Next<Fn>(name);
        slot.store(fn, std::memory_order_release);
    }
    return fn;
}

}  // namespace

int Open(const char *path, int flags, mode_t mode) {
    // The next open64, not openat64: a library behind this one (umockdev's, for the simulated
    // USB bus) may treat the two differently.
    using Fn = int (*)(const char *, int, ...);
    static const Fn next = Next<Fn>("open64") ? Next<Fn>("open64") : Next<Fn>("open");
    if (next)
        return next(path, flags, mode);
    return OpenAt(AT_FDCWD, path, flags, mode);
}

int OpenAt(int dirfd, const char *path, int flags, mode_t mode) {
    using Fn = int (*)(int, const char *, int, ...);
    static const Fn next = Next<Fn>("openat64") ? Next<Fn>("openat64") : Next<Fn>("openat");
    if (next)
        return next(dirfd, path, flags, mode);
    return static_cast<int>(syscall(SYS_openat, dirfd, path, flags | O_LARGEFILE, mode));
}

int Close(int fd) {
    using Fn = int (*)(int);
    static const Fn next = Next<Fn>("close");
    return next ? next(fd) : static_cast<int>(syscall(SYS_close, fd));
}

int Ioctl(int fd, unsigned long request, void *arg) {
    using Fn = int (*)(int, unsigned long, ...);
    static const Fn next = Next<Fn>("ioctl");
    return next ? next(fd, request, arg) : static_cast<int>(syscall(SYS_ioctl, fd, request, arg));
}

void *Mmap(void *addr, size_t length, int prot, int flags, int fd, int64_t offset) {
    using Fn = void *(*)(void *, size_t, int, int, int, int64_t);
    static const Fn next = Next<Fn>("mmap64");
    if (next)
        return next(addr, length, prot, flags, fd, offset);
#ifdef SYS_mmap2
    return reinterpret_cast<void *>(
        syscall(SYS_mmap2, addr, length, prot, flags, fd, static_cast<long>(offset >> 12)));
#else
    return reinterpret_cast<void *>(syscall(SYS_mmap, addr, length, prot, flags, fd, offset));
#endif
}

int Munmap(void *addr, size_t length) {
    using Fn = int (*)(void *, size_t);
    static const Fn next = Next<Fn>("munmap");
    return next ? next(addr, length) : static_cast<int>(syscall(SYS_munmap, addr, length));
}

int Dup(int fd) {
    using Fn = int (*)(int);
    static const Fn next = Next<Fn>("dup");
    return next ? next(fd) : static_cast<int>(syscall(SYS_dup, fd));
}

int Dup2(int oldfd, int newfd) {
    using Fn = int (*)(int, int);
    static const Fn next = Next<Fn>("dup2");
    return next ? next(oldfd, newfd) : Dup3(oldfd, newfd, 0);
}

int Dup3(int oldfd, int newfd, int flags) {
    using Fn = int (*)(int, int, int);
    static const Fn next = Next<Fn>("dup3");
    return next ? next(oldfd, newfd, flags)
                : static_cast<int>(syscall(SYS_dup3, oldfd, newfd, flags));
}

int Fcntl(int fd, int cmd, void *arg) {
    // fcntl64 where the C library has it: the plain name takes a 32-bit struct flock on 32-bit
    // targets built with a 64-bit off_t.
    using Fn = int (*)(int, int, ...);
    static const Fn next = Next<Fn>("fcntl64") ? Next<Fn>("fcntl64") : Next<Fn>("fcntl");
    return next ? next(fd, cmd, arg) : static_cast<int>(syscall(SYS_fcntl, fd, cmd, arg));
}

ssize_t Read(int fd, void *buf, size_t count) {
    using Fn = ssize_t (*)(int, void *, size_t);
    static const Fn next = Next<Fn>("read");
    return next ? next(fd, buf, count) : syscall(SYS_read, fd, buf, count);
}

int Poll(struct pollfd *fds, nfds_t n, int timeout_ms) {
    using Fn = int (*)(struct pollfd *, nfds_t, int);
    static std::atomic<Fn> next{nullptr};
    return NextOnce(next, "poll")(fds, n, timeout_ms);
}

int Ppoll(struct pollfd *fds, nfds_t n, const struct timespec *timeout, const sigset_t *mask) {
    using Fn = int (*)(struct pollfd *, nfds_t, const struct timespec *, const sigset_t *);
    // A 32-bit target built with a 64-bit time_t calls, and this library defines, the 64-bit
    // entry point.
#if defined(__USE_TIME_BITS64) && __TIMESIZE == 32
    const char *const name = "__ppoll64";
#else
    const char *const name = "ppoll";
#endif
    static std::atomic<Fn> next{nullptr};
    return NextOnce(next, name)(fds, n, timeout, mask);
}

FILE *Fopen(const char *path, const char *mode) {
    using Fn = FILE *(*)(const char *, const char *);
    static const Fn next = Next<Fn>("fopen64") ? Next<Fn>("fopen64") : Next<Fn>("fopen");
    return next(path, mode);
}

}  // namespace real
}  // namespace simcam
