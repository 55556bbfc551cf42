// Capture on an open device: four mapped buffers, streaming on and off, and one H.264 frame
// per read, optionally appended to the device's dump file.
#include <errno.h>
#include <poll.h>
#include <stdint.h>
#include <stdio.h>

#include "camera_internal.h"

namespace {

constexpr int kWaitMs = 1000;

// What the wait for a filled buffer found.
enum class Wait {
    kReadable,      // a buffer to dequeue
    kQueueStopped,  // POLLERR alone: the queue is not streaming, or it is in error
    kFailed,        // logged, errno set
};

// Waits up to `timeout_ms` for a filled buffer. poll, not select: a descriptor of 1024 or above
// fits no select set. A timeout (errno ETIMEDOUT), a failed wait (poll's errno) and a hang-up,
// which only a node that is gone reports (errno ENODEV), are logged here. POLLERR alone is
// what a queue that is not streaming answers (before the buffers are queued and streaming is
// on, after streaming off), and also what a queue the driver put in error answers: the caller
// tells the two apart.
Wait wait_for_frame(int fd, int timeout_ms, short *revents) {
    struct pollfd node = {fd, POLLIN, 0};
    const int ready = poll(&node, 1, timeout_ms);
    const int err = errno;
    *revents = node.revents;
    if (ready == 0) {
        CAM_LOG(ANDROID_LOG_ERROR, "read_h264_data", " select timeout, error:%d", err);
        errno = ETIMEDOUT;
        return Wait::kFailed;
    }
    if (ready < 0 || (node.revents & POLLNVAL) != 0) {
        // A descriptor that is not open: select fails on it with EBADF.
        const int reported = ready > 0 ? EBADF : err;
        CAM_LOG(ANDROID_LOG_ERROR, "read_h264_data", " select error:%d", reported);
        errno = reported;
        return Wait::kFailed;
    }
    if ((node.revents & POLLHUP) != 0) {
        CAM_LOG(ANDROID_LOG_ERROR, "read_h264_data", " device error or hang-up, revents:0x%x",
                static_cast<unsigned int>(node.revents));
        errno = ENODEV;
        return Wait::kFailed;
    }
    return (node.revents & POLLERR) != 0 ? Wait::kQueueStopped : Wait::kReadable;
}

// A dequeue that failed: 0 when woken with nothing to take (EAGAIN), else -1 with errno set.
// ENODEV or EIO while capturing is a lost device (errno ENODEV): the queue's error state that
// uvcvideo sets when the camera goes. Anything else keeps the dequeue's errno.
int dequeue_failed(const CameraDevice *dev, int err) {
    if (err == EAGAIN)
        return 0;
    CAM_LOG(ANDROID_LOG_ERROR, "read_h264_data", " dequeue failed, errno:%d", err);
    errno = (err == ENODEV || err == EIO) && orv::device::capturing(dev) ? ENODEV : err;
    return -1;
}

// Appends the frame while less than the bound has been written; the frame that crosses it is
// written whole.
void dump_frame(CameraDevice &dev, const void *bytes, unsigned int length) {
    if (dev.dump_file == nullptr || dev.dump_bytes >= CAMERA_DEVICE_DUMP_LIMIT)
        return;
    fwrite(bytes, 1, length, dev.dump_file);
    dev.dump_bytes += static_cast<int>(length);
}

// Streaming off (which gives every buffer back to the driver, the one the caller held
// included) and every mapping made so far released: stop_capture, and the undoing of a start
// that failed part way, so the node is not kept busy and a retry can request buffers again.
void stop_streaming(CameraDevice *dev) {
    v4l2_stop_capture(dev->fd);
    orv::device::set_capturing(dev, false);
    orv::device::forget_held_frame(dev);
    v4l2_release_buf(dev->fd, dev->buffers, CAMERA_DEVICE_CAPTURE_BUFFERS, dev->memory);
}

}  // namespace

extern "C" int start_capture(int fd) {
    CAM_LOG(ANDROID_LOG_INFO, "start_capture", " start_capture ");
    CameraDevice *dev = orv::device::open_slot(fd);
    if (dev == nullptr)
        return -1;
    // The driver would refuse new buffers, and undoing this start would end the running stream.
    if (orv::device::capturing(dev)) {
        CAM_LOG(ANDROID_LOG_ERROR, "start_capture", " already capturing");
        errno = EBUSY;
        return -1;
    }
    if (v4l2_req_buf(fd, dev->buffers, CAMERA_DEVICE_CAPTURE_BUFFERS, dev->memory) == -1) {
        CAM_LOG(ANDROID_LOG_ERROR, "start_capture", " v4l2_req_buf error");
        stop_streaming(dev);
        return -1;
    }
    CAM_LOG(ANDROID_LOG_INFO, "start_capture", " v4l2_req_buf ok");
    // Fresh buffers: nothing the caller was reading is ours to give back any more.
    orv::device::forget_held_frame(dev);
    if (v4l2_start_capture(fd, dev->buffers, CAMERA_DEVICE_CAPTURE_BUFFERS, dev->memory) == -1) {
        CAM_LOG(ANDROID_LOG_ERROR, "start_capture", " v4l2_start_capture error");
        stop_streaming(dev);
        return -1;
    }
    CAM_LOG(ANDROID_LOG_INFO, "start_capture", " v4l2_start_capture ok");
    orv::device::set_capturing(dev, true);
    return 0;
}

extern "C" void stop_capture(int fd) {
    CAM_LOG(ANDROID_LOG_INFO, "stop_capture", "");
    CameraDevice *dev = findOpenedDeviceByFD(fd);
    if (dev == nullptr) {
        CAM_LOG(ANDROID_LOG_ERROR, "stop_capture", " stop_capture error, fd:%d camera not found",
                fd);
        return;
    }
    if (dev->fd <= 0)
        return;
    stop_streaming(dev);
}

extern "C" int read_h264_data(int fd, unsigned char **data) {
    CameraDevice *dev = orv::device::open_slot(fd);
    if (dev == nullptr) {
        errno = EBADF;
        return -1;
    }
    // The frame delivered last time stayed out of the driver while the caller copied it.
    orv::device::requeue_held_frame(dev);
    // Corrupted frames are skipped within the same one-second bound.
    const int64_t deadline = orv::device::monotonic_ms() + kWaitMs;
    for (;;) {
        const int64_t left = deadline - orv::device::monotonic_ms();
        short revents = 0;
        const Wait waited =
            wait_for_frame(dev->fd, left > 0 ? static_cast<int>(left) : 0, &revents);
        if (waited == Wait::kFailed)
            return -1;
        if (waited == Wait::kQueueStopped && !orv::device::capturing(dev)) {
            // Read before start_capture or after stop_capture: the device is still there.
            CAM_LOG(ANDROID_LOG_ERROR, "read_h264_data", " not capturing, revents:0x%x",
                    static_cast<unsigned int>(revents));
            errno = EINVAL;
            return -1;
        }
        // While capturing, the dequeue says why the queue stopped: EIO or ENODEV for a device
        // that is gone, EINVAL for a queue streamed off behind our back.
        struct v4l2_buffer frame;
        if (v4l2_read_frame(dev->fd, &frame, dev->memory) != 0)
            return dequeue_failed(dev, errno);
        if (frame.index >= CAMERA_DEVICE_CAPTURE_BUFFERS) {
            v4l2_queue_buf(dev->fd, &frame);
            return 0;
        }
        if ((frame.flags & V4L2_BUF_FLAG_ERROR) != 0) {
            // A transfer error: the bytes are no H.264 frame. Hand the buffer back and ask for
            // an I-frame, so a decoder downstream recovers now rather than at the next IDR.
            v4l2_queue_buf(dev->fd, &frame);
            CAM_LOG(ANDROID_LOG_WARN, "read_h264_data", " corrupted frame in buffer %u dropped",
                    frame.index);
            orv::device::ask_for_iframe(dev);
            continue;
        }
        void *start = dev->buffers[frame.index].start;
        dump_frame(*dev, start, frame.bytesused);
        if (data != nullptr)
            *data = static_cast<unsigned char *>(start);
        orv::device::hold_frame(dev, frame);
        return static_cast<int>(frame.bytesused);
    }
}
