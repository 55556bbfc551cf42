// The file-system view of a simulated node, for programs that look a node up before they open
// it: the stat family answers a character device 81:N for /dev/videoN and for its descriptors,
// and the node's sysfs files open (through open or stdio) with the kernel's text. Every other
// path and descriptor goes to the C library untouched.
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "node_files.h"
#include "sim.h"

using simcam::Sim;

namespace {

template <typename Fn>
Fn Next(const char *name) {
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

// The minor of the present node this path (relative to dirfd) names, or -1.
int PathMinor(int dirfd, const char *path) {
    if (!Sim::IsNodePath(path))
        return -1;
    (void)dirfd;  // node paths are absolute
    return Sim::Get().PresentMinor(path);
}

bool IsEmpty(const char *path) {
    return path && !*path;
}

int FdMinor(int fd) {
    if (!Sim::MaybeSimFd(fd))
        return -1;
    const std::string path = Sim::Get().PathOf(fd);
    return path.empty() ? -1 : Sim::Get().PresentMinor(path);
}

template <typename St>
int Fill(int minor, St *out) {
    struct stat st;
    simcam::FillNodeStat(minor, &st);
    memset(out, 0, sizeof *out);
    out->st_dev = st.st_dev;
    out->st_ino = st.st_ino;
    out->st_mode = st.st_mode;
    out->st_nlink = st.st_nlink;
    out->st_uid = st.st_uid;
    out->st_gid = st.st_gid;
    out->st_rdev = st.st_rdev;
    out->st_blksize = st.st_blksize;
    out->st_atim = st.st_atim;
    out->st_mtim = st.st_mtim;
    out->st_ctim = st.st_ctim;
    return 0;
}

FILE *SysfsFile(const char *path, const char *mode) {
    std::string text;
    if (!simcam::SysfsText(path, &text))
        return nullptr;
    if (mode[0] != 'r' || strchr(mode, '+')) {
        errno = EACCES;
        return nullptr;
    }
    const int fd = simcam::OpenText(text, strchr(mode, 'e') ? O_CLOEXEC : 0);
    FILE *f = fd < 0 ? nullptr : fdopen(fd, "r");
    if (!f && fd >= 0)
        close(fd);
    return f;
}

}  // namespace

#define SIMCAM_EXPORT extern "C" __attribute__((visibility("default")))

// stat, lstat, fstat, fstatat and their 64-bit forms.
#define SIMCAM_PATH_STAT(name, St)                                         \
    SIMCAM_EXPORT int name(const char *path, St *buf) {                    \
        const int minor = PathMinor(AT_FDCWD, path);                       \
        if (minor >= 0)                                                    \
            return Fill(minor, buf);                                       \
        static const auto next = Next<int (*)(const char *, St *)>(#name); \
        return next(path, buf);                                            \
    }
SIMCAM_PATH_STAT(stat, struct stat)
SIMCAM_PATH_STAT(lstat, struct stat)
SIMCAM_PATH_STAT(stat64, struct stat64)
SIMCAM_PATH_STAT(lstat64, struct stat64)

#define SIMCAM_FD_STAT(name, St)                                  \
    SIMCAM_EXPORT int name(int fd, St *buf) {                     \
        const int minor = FdMinor(fd);                            \
        if (minor >= 0)                                           \
            return Fill(minor, buf);                              \
        static const auto next = Next<int (*)(int, St *)>(#name); \
        return next(fd, buf);                                     \
    }
SIMCAM_FD_STAT(fstat, struct stat)
SIMCAM_FD_STAT(fstat64, struct stat64)

#define SIMCAM_AT_STAT(name, St)                                                     \
    SIMCAM_EXPORT int name(int dirfd, const char *path, St *buf, int flags) {        \
        int minor = PathMinor(dirfd, path);                                          \
        if (minor < 0 && (flags & AT_EMPTY_PATH) && IsEmpty(path))                   \
            minor = FdMinor(dirfd);                                                  \
        if (minor >= 0)                                                              \
            return Fill(minor, buf);                                                 \
        static const auto next = Next<int (*)(int, const char *, St *, int)>(#name); \
        return next(dirfd, path, buf, flags);                                        \
    }
SIMCAM_AT_STAT(fstatat, struct stat)
SIMCAM_AT_STAT(fstatat64, struct stat64)

// The versioned forms older programs call.
#define SIMCAM_XSTAT(name, St)                                                  \
    SIMCAM_EXPORT int name(int ver, const char *path, St *buf) {                \
        const int minor = PathMinor(AT_FDCWD, path);                            \
        if (minor >= 0)                                                         \
            return Fill(minor, buf);                                            \
        static const auto next = Next<int (*)(int, const char *, St *)>(#name); \
        return next(ver, path, buf);                                            \
    }
SIMCAM_XSTAT(__xstat, struct stat)
SIMCAM_XSTAT(__lxstat, struct stat)
SIMCAM_XSTAT(__xstat64, struct stat64)
SIMCAM_XSTAT(__lxstat64, struct stat64)

#define SIMCAM_FXSTAT(name, St)                                        \
    SIMCAM_EXPORT int name(int ver, int fd, St *buf) {                 \
        const int minor = FdMinor(fd);                                 \
        if (minor >= 0)                                                \
            return Fill(minor, buf);                                   \
        static const auto next = Next<int (*)(int, int, St *)>(#name); \
        return next(ver, fd, buf);                                     \
    }
SIMCAM_FXSTAT(__fxstat, struct stat)
SIMCAM_FXSTAT(__fxstat64, struct stat64)

#ifdef STATX_TYPE
SIMCAM_EXPORT int statx(int dirfd, const char *path, int flags, unsigned int mask,
                        struct statx *buf) {
    int minor = PathMinor(dirfd, path);
    if (minor < 0 && (flags & AT_EMPTY_PATH) && IsEmpty(path))
        minor = FdMinor(dirfd);
    if (minor >= 0) {
        simcam::FillNodeStatx(minor, buf);
        return 0;
    }
    static const auto next =
        Next<int (*)(int, const char *, int, unsigned int, struct statx *)>("statx");
    return next(dirfd, path, flags, mask, buf);
}
#endif

// stdio's own opens do not go through open(), so the sysfs files are answered here too.
SIMCAM_EXPORT FILE *fopen(const char *path, const char *mode) {
    if (FILE *f = SysfsFile(path, mode))
        return f;
    static const auto next = Next<FILE *(*)(const char *, const char *)>("fopen");
    return next(path, mode);
}

SIMCAM_EXPORT FILE *fopen64(const char *path, const char *mode) {
    if (FILE *f = SysfsFile(path, mode))
        return f;
    static const auto next = Next<FILE *(*)(const char *, const char *)>("fopen64");
    return next(path, mode);
}
