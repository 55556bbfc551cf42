// The C library's own functions, behind the ones this library interposes.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <time.h>
#include <sys/types.h>

namespace simcam {
namespace real {

int Open(const char *path, int flags, mode_t mode);
int OpenAt(int dirfd, const char *path, int flags, mode_t mode);
int Close(int fd);
int Ioctl(int fd, unsigned long request, void *arg);
void *Mmap(void *addr, size_t length, int prot, int flags, int fd, int64_t offset);
int Munmap(void *addr, size_t length);
int Dup(int fd);
int Dup2(int oldfd, int newfd);
int Dup3(int oldfd, int newfd, int flags);
int Fcntl(int fd, int cmd, void *arg);
ssize_t Read(int fd, void *buf, size_t count);
int Poll(struct pollfd *fds, nfds_t n, int timeout_ms);
int Ppoll(struct pollfd *fds, nfds_t n, const struct timespec *timeout, const sigset_t *mask);
FILE *Fopen(const char *path, const char *mode);

}  // namespace real
}  // namespace simcam
