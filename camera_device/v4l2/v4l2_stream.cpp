// Streaming on and off, and the per-frame dequeue and re-queue (the hot path: no allocation).
#include <sys/ioctl.h>

#include <cerrno>
#include <cstring>

#include "orv_log.h"
#include "v4l2/v4l2_device.h"

extern "C" int v4l2_start_capture(int fd, CaptureBuffer *buffers, unsigned int count,
                                  int memory) {
    for (unsigned int i = 0; i < count; ++i) {
        struct v4l2_buffer buf = {};
        buf.index = i;
        buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buf.memory = static_cast<__u32>(memory);
        buf.length = buffers[i].length;
        if (memory == V4L2_MEMORY_MMAP)
            buf.m.offset = buffers[i].offset;
        else if (memory == V4L2_MEMORY_USERPTR)
            buf.m.userptr = reinterpret_cast<unsigned long>(buffers[i].start);
        if (ioctl(fd, VIDIOC_QBUF, &buf) != 0) {
            const int err = errno;
            ORV_LOG(ANDROID_LOG_ERROR, ORV_TAG_V4L2, "%s: fd:%d QBUF failed, " ORV_ERRNO_FMT,
                    __func__, fd, ORV_ERRNO_ARGS(err));
            return -1;
        }
    }
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (ioctl(fd, VIDIOC_STREAMON, &type) != 0) {
        const int err = errno;
        ORV_LOG(ANDROID_LOG_ERROR, ORV_TAG_V4L2, "%s: fd:%d strean on failed, " ORV_ERRNO_FMT,
                __func__, fd, ORV_ERRNO_ARGS(err));
        return -1;
    }
    return 0;
}

extern "C" void v4l2_stop_capture(int fd) {
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (ioctl(fd, VIDIOC_STREAMOFF, &type) != 0) {
        const int err = errno;
        ORV_LOG(ANDROID_LOG_ERROR, ORV_TAG_V4L2, "%s: %d VIDIOC_STREAMOFF failed, " ORV_ERRNO_FMT,
                __func__, fd, ORV_ERRNO_ARGS(err));
        return;
    }
    ORV_LOG(ANDROID_LOG_INFO, ORV_TAG_V4L2, "%s: %d strean off ok", __func__, fd);
}

extern "C" int v4l2_read_frame(int fd, struct v4l2_buffer *buf, int memory) {
    std::memset(buf, 0, sizeof *buf);
    buf->type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buf->memory = static_cast<__u32>(memory);
    const int ret = ioctl(fd, VIDIOC_DQBUF, buf);
    if (ret != 0) {
        const int err = errno;
        ORV_LOG(ANDROID_LOG_ERROR, ORV_TAG_V4L2, "%s: %d VIDIOC_DQBUF failed, " ORV_ERRNO_FMT,
                __func__, fd, ORV_ERRNO_ARGS(err));
        errno = err;  // the caller tells "nothing ready" from a lost device by it
    }
    return ret;
}

extern "C" void v4l2_queue_buf(int fd, struct v4l2_buffer *buf) {
    if (ioctl(fd, VIDIOC_QBUF, buf) != 0) {
        const int err = errno;
        ORV_LOG(ANDROID_LOG_ERROR, ORV_TAG_V4L2, "%s: %d VIDIOC_QBUF failed, " ORV_ERRNO_FMT,
                __func__, fd, ORV_ERRNO_ARGS(err));
    }
}
