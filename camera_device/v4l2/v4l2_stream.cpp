// Streaming on and off, and the per-frame dequeue and re-queue (the hot path: no allocation).
#include <cstring>

#include "orv_log.h"
#include "v4l2/v4l2_checked.h"
#include "v4l2/v4l2_device.h"

using orv::v4l2::checked_ioctl;

extern "C" int v4l2_start_capture(int fd, CaptureBuffer *buffers, unsigned int count, int memory) {
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
        if (checked_ioctl(fd, VIDIOC_QBUF, &buf, "%s: fd:%d QBUF failed, ", __func__, fd) != 0)
            return -1;
    }
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (checked_ioctl(fd, VIDIOC_STREAMON, &type, "%s: fd:%d strean on failed, ", __func__, fd))
        return -1;
    return 0;
}

extern "C" void v4l2_stop_capture(int fd) {
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (checked_ioctl(fd, VIDIOC_STREAMOFF, &type, "%s: %d VIDIOC_STREAMOFF failed, ", __func__,
                      fd) != 0)
        return;
    ORV_LOG(ANDROID_LOG_INFO, ORV_TAG_V4L2, "%s: %d strean off ok", __func__, fd);
}

extern "C" int v4l2_read_frame(int fd, struct v4l2_buffer *buf, int memory) {
    std::memset(buf, 0, sizeof *buf);
    buf->type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buf->memory = static_cast<__u32>(memory);
    // errno stays for the caller, who tells "nothing ready" from a lost device by it.
    return checked_ioctl(fd, VIDIOC_DQBUF, buf, "%s: %d VIDIOC_DQBUF failed, ", __func__, fd);
}

extern "C" void v4l2_queue_buf(int fd, struct v4l2_buffer *buf) {
    checked_ioctl(fd, VIDIOC_QBUF, buf, "%s: %d VIDIOC_QBUF failed, ", __func__, fd);
}
