// The failure answers of V4L2 and uvcvideo requests on descriptors that are no camera, which
// the libraries log and the failure-path tests expect: the same on the host and under qemu-user
// (where tests/support/qemu_ioctl.cpp stands in for the kernel's checks).
#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <linux/usb/video.h>
#include <linux/uvcvideo.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

int ErrnoOf(int fd, unsigned long request, void *arg) {
    errno = 0;
    EXPECT_EQ(-1, ioctl(fd, request, arg));
    return errno;
}

TEST(KernelAnswers, ClosedDescriptorIsEbadfNonDeviceIsEnotty) {
    v4l2_capability cap{};
    uint8_t block[46] = {};
    uvc_xu_control_query query{};
    query.unit = 12;
    query.selector = 1;
    query.query = UVC_GET_CUR;
    query.size = sizeof(block);
    query.data = block;

    EXPECT_EQ(EBADF, ErrnoOf(-1, VIDIOC_QUERYCAP, &cap));
    EXPECT_EQ(EBADF, ErrnoOf(-1, UVCIOC_CTRL_QUERY, &query));

    const int fd = open("/dev/null", O_RDWR);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ENOTTY, ErrnoOf(fd, VIDIOC_QUERYCAP, &cap));
    EXPECT_EQ(ENOTTY, ErrnoOf(fd, UVCIOC_CTRL_QUERY, &query));
    close(fd);
    EXPECT_EQ(EBADF, ErrnoOf(fd, VIDIOC_QUERYCAP, &cap));
}

// Requests the emulator does forward keep their own answers.
TEST(KernelAnswers, ForwardedRequestsPassThrough) {
    int fds[2];
    ASSERT_EQ(0, pipe(fds));
    ASSERT_EQ(3, write(fds[1], "abc", 3));
    int pending = 0;
    EXPECT_EQ(0, ioctl(fds[0], FIONREAD, &pending));
    EXPECT_EQ(3, pending);
    close(fds[0]);
    close(fds[1]);
}

}  // namespace
