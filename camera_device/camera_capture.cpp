// Capture on an open device: four mapped buffers, streaming on and off, and one H.264 frame
// per read, optionally appended to the device's dump file.
#include <errno.h>
#include <poll.h>
#include <stdio.h>

#include "camera_internal.h"

namespace {

constexpr int kWaitMs = 1000;

// Waits up to one second for a filled buffer. poll, not select: a descriptor of 1024 or above
// fits no select set. Returns true when the descriptor is readable (or reports an error or a
// hang-up, which a dequeue then reports), false after logging the timeout or the failure.
bool wait_for_frame(int fd) {
    struct pollfd node = {fd, POLLIN, 0};
    const int ready = poll(&node, 1, kWaitMs);
    if (ready == 0) {
        CAM_LOG(ANDROID_LOG_ERROR, "read_h264_data", " select timeout, error:%d", errno);
        return false;
    }
    if (ready < 0 || (node.revents & POLLNVAL) != 0) {
        // A descriptor that is not open: select fails on it with EBADF.
        if (ready > 0)
            errno = EBADF;
        CAM_LOG(ANDROID_LOG_ERROR, "read_h264_data", " select error:%d", errno);
        return false;
    }
    return true;
}

// Appends the frame while less than the bound has been written; the frame that crosses it is
// written whole.
void dump_frame(CameraDevice &dev, const void *bytes, unsigned int length) {
    if (dev.dump_file == nullptr || dev.dump_bytes >= CAMERA_DEVICE_DUMP_LIMIT)
        return;
    fwrite(bytes, 1, length, dev.dump_file);
    dev.dump_bytes += static_cast<int>(length);
}

}  // namespace

extern "C" int start_capture(int fd) {
    CAM_LOG(ANDROID_LOG_INFO, "start_capture", " start_capture ");
    CameraDevice *dev = orv::device::open_slot(fd);
    if (dev == nullptr)
        return -1;
    if (v4l2_req_buf(fd, dev->buffers, CAMERA_DEVICE_CAPTURE_BUFFERS, dev->memory) == -1) {
        CAM_LOG(ANDROID_LOG_ERROR, "start_capture", " v4l2_req_buf error");
        return -1;
    }
    CAM_LOG(ANDROID_LOG_INFO, "start_capture", " v4l2_req_buf ok");
    // Fresh buffers: nothing the caller was reading is ours to give back any more.
    orv::device::forget_held_frame(dev);
    if (v4l2_start_capture(fd, dev->buffers, CAMERA_DEVICE_CAPTURE_BUFFERS, dev->memory) == -1) {
        CAM_LOG(ANDROID_LOG_ERROR, "start_capture", " v4l2_start_capture error");
        return -1;
    }
    CAM_LOG(ANDROID_LOG_INFO, "start_capture", " v4l2_start_capture ok");
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
    // Stream-off gives every buffer back to the driver, the one the caller held included.
    v4l2_stop_capture(dev->fd);
    orv::device::forget_held_frame(dev);
    v4l2_release_buf(dev->fd, dev->buffers, CAMERA_DEVICE_CAPTURE_BUFFERS, dev->memory);
}

extern "C" int read_h264_data(int fd, unsigned char **data) {
    CameraDevice *dev = orv::device::open_slot(fd);
    if (dev == nullptr)
        return -1;
    // The frame delivered last time stayed out of the driver while the caller copied it.
    orv::device::requeue_held_frame(dev);
    if (!wait_for_frame(dev->fd))
        return -1;

    struct v4l2_buffer frame;
    if (v4l2_read_frame(dev->fd, &frame, dev->memory) != 0)
        return 0;
    if (frame.index >= CAMERA_DEVICE_CAPTURE_BUFFERS) {
        v4l2_queue_buf(dev->fd, &frame);
        return 0;
    }
    void *start = dev->buffers[frame.index].start;
    dump_frame(*dev, start, frame.bytesused);
    if (data != nullptr)
        *data = static_cast<unsigned char *>(start);
    orv::device::hold_frame(dev, frame);
    return static_cast<int>(frame.bytesused);
}
