// Streaming buffers: requesting, recording and mapping them, and undoing the mappings.
#include <sys/mman.h>

#include <cerrno>

#include "orv_log.h"
#include "v4l2/v4l2_checked.h"
#include "v4l2/v4l2_device.h"

using orv::v4l2::checked_ioctl;

namespace {

bool is_mapped(const CaptureBuffer &buffer) {
    return buffer.start != nullptr && buffer.start != MAP_FAILED;
}

// Queries buffer `index` and maps it into `record`.
int map_buffer(const char *fn, int fd, uint32_t index, CaptureBuffer *record) {
    struct v4l2_buffer buf = {};
    buf.index = index;
    buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buf.memory = V4L2_MEMORY_MMAP;
    if (checked_ioctl(fd, VIDIOC_QUERYBUF, &buf, "%s: fd:%d QUERYBUF failed, ", fn, fd) != 0)
        return -1;
    record->length = buf.length;
    record->offset = buf.m.offset;
    void *start = mmap(nullptr, buf.length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, buf.m.offset);
    if (start == MAP_FAILED) {
        const int err = errno;
        ORV_LOG(ANDROID_LOG_ERROR, ORV_TAG_V4L2, "%s: fd:%d mmap failed, " ORV_ERRNO_FMT, fn, fd,
                ORV_ERRNO_ARGS(err));
        return -1;
    }
    record->start = start;
    return 0;
}

// Hands the user buffer of `record` to the driver as buffer `index`.
int query_user_buffer(const char *fn, int fd, uint32_t index, const CaptureBuffer &record) {
    struct v4l2_buffer buf = {};
    buf.index = index;
    buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buf.memory = V4L2_MEMORY_USERPTR;
    buf.m.userptr = reinterpret_cast<unsigned long>(record.start);
    buf.length = record.length;
    if (checked_ioctl(fd, VIDIOC_QUERYBUF, &buf, "%s: fd:%d QUERYBUF failed, ", fn, fd) != 0)
        return -1;
    return 0;
}

// Unmaps every record that holds a mapping and marks it unmapped. A record with no mapping
// (never mapped, or already released) is left alone, so a second release cannot unmap memory
// that has been reused since. A failed munmap is logged and the rest go on.
void release_mappings(const char *fn, int fd, CaptureBuffer *buffers, unsigned int count) {
    for (unsigned int i = 0; i < count; ++i) {
        if (!is_mapped(buffers[i]))
            continue;
        if (munmap(buffers[i].start, buffers[i].length) != 0) {
            const int err = errno;
            ORV_LOG(ANDROID_LOG_ERROR, ORV_TAG_V4L2, "%s: fd:%d munmap failed, " ORV_ERRNO_FMT, fn,
                    fd, ORV_ERRNO_ARGS(err));
            continue;
        }
        buffers[i].start = nullptr;
    }
}

}  // namespace

extern "C" int v4l2_req_buf(int fd, CaptureBuffer *buffers, unsigned int count, int memory) {
    struct v4l2_requestbuffers req = {};
    req.count = count;
    req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    req.memory = static_cast<__u32>(memory);
    if (memory == V4L2_MEMORY_MMAP) {
        // A mapping still recorded from an earlier request (one that failed part way, or was
        // never released) is undone first: older kernels refuse REQBUFS with EBUSY while a
        // buffer of the queue is mapped. No record left behind by a failure below points at an
        // older mapping. The caller has no stream running on these records.
        release_mappings(__func__, fd, buffers, count);
        for (unsigned int i = 0; i < count; ++i)
            buffers[i].start = nullptr;
    }
    if (checked_ioctl(fd, VIDIOC_REQBUFS, &req, "%s: fd:%d REQBUFS failed, ", __func__, fd))
        return -1;
    if (req.count < count) {
        const int err = errno;
        ORV_LOG(ANDROID_LOG_ERROR, ORV_TAG_V4L2,
                "%s: fd:%d Insufficient buffer memory on device, " ORV_ERRNO_FMT, __func__, fd,
                ORV_ERRNO_ARGS(err));
        return -1;
    }
    // The caller's array holds `count` records: buffers a driver grants beyond that stay
    // unrecorded and unmapped.
    if (memory == V4L2_MEMORY_MMAP) {
        for (unsigned int i = 0; i < count; ++i) {
            if (map_buffer(__func__, fd, i, &buffers[i]) != 0)
                return -1;
        }
    } else if (memory == V4L2_MEMORY_USERPTR) {
        for (unsigned int i = 0; i < count; ++i) {
            if (query_user_buffer(__func__, fd, i, buffers[i]) != 0)
                return -1;
        }
    }
    return 0;
}

extern "C" int v4l2_release_buf(int fd, CaptureBuffer *buffers, unsigned int count, int memory) {
    if (memory != V4L2_MEMORY_MMAP)
        return 0;
    release_mappings(__func__, fd, buffers, count);
    return 0;
}
