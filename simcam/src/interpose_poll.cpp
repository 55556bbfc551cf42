// poll and ppoll on a simulated node's descriptor answer what videobuf2 answers (POLLERR for a
// queue that is not streaming, POLLIN with a filled buffer, POLLERR and POLLHUP once
// unplugged), where the eventfd alone could only say readable. The eventfd still does the
// waiting: the camera makes it readable whenever poll has something to answer, so select and
// epoll see those states as readable, as select sees POLLERR on a real node.
#include <errno.h>
#include <poll.h>
#include <stdlib.h>
#include <time.h>

#include <memory>
#include <vector>

#include "real_libc.h"
#include "sim.h"

using simcam::Sim;
namespace real = simcam::real;

// The C library declares poll's and ppoll's array write-only (GCC's access attribute), yet its
// events are input, read here as the kernel reads them.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

namespace {

bool AnySimFd(const struct pollfd *fds, nfds_t n) {
    for (nfds_t i = 0; i < n; ++i)
        if (Sim::MaybeSimFd(fds[i].fd))
            return true;
    return false;
}

int64_t NowNs() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Waits on the eventfds (asking them for input only where the caller asked the node for
// input), then reports each simulated descriptor as its camera answers. A wake-up that leaves
// nothing to report (another thread took the buffer) waits again for the time left. The usual
// call, one or a few descriptors, allocates nothing.
int PollNodes(struct pollfd *fds, nfds_t n, const struct timespec *timeout, const sigset_t *mask) {
    constexpr nfds_t kOnStack = 4;
    struct pollfd waits_on_stack[kOnStack];
    std::shared_ptr<simcam::Camera> cameras_on_stack[kOnStack];
    std::vector<struct pollfd> waits_on_heap;
    std::vector<std::shared_ptr<simcam::Camera>> cameras_on_heap;
    if (n > kOnStack) {
        waits_on_heap.resize(n);
        cameras_on_heap.resize(n);
    }
    struct pollfd *waits = n > kOnStack ? waits_on_heap.data() : waits_on_stack;
    std::shared_ptr<simcam::Camera> *cameras =
        n > kOnStack ? cameras_on_heap.data() : cameras_on_stack;
    for (nfds_t i = 0; i < n; ++i) {
        waits[i] = fds[i];
        if (Sim::MaybeSimFd(fds[i].fd))
            cameras[i] = Sim::Get().CameraOf(fds[i].fd);
        if (cameras[i])
            waits[i].events = (fds[i].events & (POLLIN | POLLRDNORM)) != 0 ? POLLIN : 0;
    }
    const int64_t deadline =
        timeout == nullptr
            ? 0
            : NowNs() + static_cast<int64_t>(timeout->tv_sec) * 1000000000 + timeout->tv_nsec;
    for (;;) {
        int64_t left_ns = timeout == nullptr ? 0 : deadline - NowNs();
        if (left_ns < 0)
            left_ns = 0;
        const struct timespec left = {static_cast<time_t>(left_ns / 1000000000),
                                      static_cast<long>(left_ns % 1000000000)};
        const int r = real::Ppoll(waits, n, timeout == nullptr ? nullptr : &left, mask);
        if (r < 0)
            return r;
        int ready = 0;
        for (nfds_t i = 0; i < n; ++i) {
            fds[i].revents = cameras[i] ? cameras[i]->PollAnswer(fds[i].events) : waits[i].revents;
            ready += fds[i].revents != 0 ? 1 : 0;
        }
        if (ready > 0 || r == 0 || (timeout != nullptr && left_ns == 0))
            return ready;
    }
}

struct timespec FromMs(int timeout_ms) {
    return {timeout_ms / 1000, static_cast<long>(timeout_ms % 1000) * 1000000L};
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int poll(struct pollfd *fds, nfds_t n, int timeout_ms) {
    if (!AnySimFd(fds, n))
        return real::Poll(fds, n, timeout_ms);
    const struct timespec t = FromMs(timeout_ms);
    return PollNodes(fds, n, timeout_ms < 0 ? nullptr : &t, nullptr);
}

__attribute__((visibility("default"))) int ppoll(struct pollfd *fds, nfds_t n,
                                                 const struct timespec *timeout,
                                                 const sigset_t *mask) {
    if (!AnySimFd(fds, n))
        return real::Ppoll(fds, n, timeout, mask);
    return PollNodes(fds, n, timeout, mask);
}

// The fortified entry points that _FORTIFY_SOURCE builds call.
__attribute__((visibility("default"))) int __poll_chk(struct pollfd *fds, nfds_t n, int timeout_ms,
                                                      size_t fds_size) {
    if (fds_size / sizeof *fds < n)
        abort();
    return poll(fds, n, timeout_ms);
}

#if !(defined(__USE_TIME_BITS64) && __TIMESIZE == 32)
__attribute__((visibility("default"))) int __ppoll_chk(struct pollfd *fds, nfds_t n,
                                                       const struct timespec *timeout,
                                                       const sigset_t *mask, size_t fds_size) {
    if (fds_size / sizeof *fds < n)
        abort();
    return ppoll(fds, n, timeout, mask);
}
#endif

}  // extern "C"
