// Streaming buffers as videobuf2 keeps them for uvcvideo: one queue per node, owned by the
// descriptor that requested it; memory from a memfd so every mmap is a real shared mapping.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "camera.h"
#include "real_libc.h"
#include "seen_lock.h"

namespace simcam {
namespace {

constexpr uint32_t kCapture = V4L2_BUF_TYPE_VIDEO_CAPTURE;
constexpr uint32_t kMaxBuffers = 32;  // VIDEO_MAX_FRAME

uint32_t PageAlign(uint32_t n) {
    const uint32_t page = static_cast<uint32_t>(sysconf(_SC_PAGESIZE));
    return (n + page - 1) / page * page;
}

// Whether [addr, addr + length) is mapped in this process: mincore fails with ENOMEM on a hole.
bool UserMemoryMapped(unsigned long addr, uint32_t length) {
    const unsigned long page = static_cast<unsigned long>(sysconf(_SC_PAGESIZE));
    const unsigned long start = addr / page * page;
    const size_t span = static_cast<size_t>(addr + length - start);
    std::vector<unsigned char> pages((span + page - 1) / page);
    return mincore(reinterpret_cast<void *>(start), span, pages.data()) == 0;
}

}  // namespace

bool Camera::OwnedByOther(const OpenFile &file) const {
    return owner_ != 0 && owner_ != file.id;
}

short Camera::PollAnswerLocked(short requested) const {
    const short reported = static_cast<short>(requested | POLLERR | POLLHUP);
    if (faults_.unplugged)
        return static_cast<short>((POLLERR | POLLHUP | POLLPRI) & reported);
    // A capture queue answers nothing to a poll that does not ask for input.
    if ((requested & (POLLIN | POLLRDNORM)) == 0)
        return 0;
    if (!streaming_ || waiting_for_buffers_)
        return POLLERR;
    return done_.empty() ? 0 : static_cast<short>((POLLIN | POLLRDNORM) & reported);
}

short Camera::PollAnswer(short requested) {
    const SeenLock lock(mu_);
    return PollAnswerLocked(requested);
}

void Camera::UpdateReadable() {
    const bool want = PollAnswerLocked(POLLIN) != 0;
    for (auto &entry : wakers_) {
        Waker &w = entry.second;
        if (want && !w.readable) {
            const uint64_t one = 1;
            if (write(w.fd, &one, sizeof one) == sizeof one)
                w.readable = true;
        } else if (!want && w.readable) {
            uint64_t value = 0;
            if (real::Read(w.fd, &value, sizeof value) == sizeof value)
                w.readable = false;
        }
    }
}

void Camera::FreeBuffers() {
    buffers_.clear();
    queued_.clear();
    done_.clear();
    if (memory_map_)
        real::Munmap(memory_map_, memory_size_);
    memory_map_ = nullptr;
    memory_size_ = 0;
    if (memfd_ >= 0)
        real::Close(memfd_);
    memfd_ = -1;
    memory_ = 0;
    UpdateReadable();
}

void Camera::StopStreaming() {
    streaming_ = false;
    waiting_for_buffers_ = true;
    queued_.clear();
    done_.clear();
    for (Buffer &b : buffers_) {
        b.state = BufState::kDequeued;
        b.flags &= ~static_cast<uint32_t>(V4L2_BUF_FLAG_DONE | V4L2_BUF_FLAG_QUEUED);
    }
    UpdateReadable();
    cv_.notify_all();
}

void Camera::FillBuffer(const Buffer &buf, struct v4l2_buffer *b) const {
    std::memset(b, 0, sizeof *b);
    b->index = buf.index;
    b->type = kCapture;
    b->bytesused = buf.state == BufState::kQueued ? 0 : buf.bytesused;
    b->flags = buf.flags | V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC | V4L2_BUF_FLAG_TSTAMP_SRC_SOE;
    if (buf.state == BufState::kQueued)
        b->flags |= V4L2_BUF_FLAG_QUEUED;
    if (buf.state == BufState::kDone)
        b->flags |= V4L2_BUF_FLAG_DONE;
    if (buf.mappings > 0)
        b->flags |= V4L2_BUF_FLAG_MAPPED;
    b->field = V4L2_FIELD_NONE;
    b->timestamp = buf.timestamp;
    b->sequence = buf.sequence;
    b->memory = memory_;
    if (memory_ == V4L2_MEMORY_USERPTR) {
        b->m.userptr = buf.userptr;
        b->length = buf.user_length ? buf.user_length : buffer_length_;
    } else {
        b->m.offset = buf.offset;
        b->length = buffer_length_;
    }
}

int Camera::ReqBufs(const OpenFile &file, struct v4l2_requestbuffers *r, TraceEntry *t) {
    t->type = r->type;
    t->count = r->count;
    t->memory = r->memory;
    if (int e = TakeFault(Call::kReqBufs))
        return -e;
    if (r->type != kCapture)
        return -EINVAL;
    if (r->memory != V4L2_MEMORY_MMAP && r->memory != V4L2_MEMORY_USERPTR)
        return -EINVAL;
    if (OwnedByOther(file) || streaming_)
        return -EBUSY;
    // Mappings still in place keep their memory; the node forgets it.
    FreeBuffers();
    if (r->count == 0) {
        owner_ = 0;
        r->flags = 0;
        r->capabilities = V4L2_BUF_CAP_SUPPORTS_MMAP | V4L2_BUF_CAP_SUPPORTS_USERPTR;
        std::memset(r->reserved, 0, sizeof r->reserved);
        return 0;
    }
    uint32_t n = std::min(r->count, kMaxBuffers);
    if (faults_.grant)
        n = std::min(faults_.grant, kMaxBuffers);
    buffer_length_ = SizeImage();
    const uint32_t stride = PageAlign(buffer_length_);
    if (r->memory == V4L2_MEMORY_MMAP) {
        memfd_ = memfd_create("simcam-buffers", MFD_CLOEXEC);
        if (memfd_ < 0)
            return -ENOMEM;
        memory_size_ = static_cast<size_t>(stride) * n;
        if (ftruncate(memfd_, static_cast<off_t>(memory_size_)) < 0) {
            FreeBuffers();
            return -ENOMEM;
        }
        void *p = real::Mmap(nullptr, memory_size_, PROT_READ | PROT_WRITE, MAP_SHARED, memfd_, 0);
        if (p == MAP_FAILED) {
            memory_size_ = 0;
            FreeBuffers();
            return -ENOMEM;
        }
        memory_map_ = static_cast<uint8_t *>(p);
    }
    memory_ = r->memory;
    buffers_.resize(n);
    for (uint32_t i = 0; i < n; ++i) {
        buffers_[i].index = i;
        buffers_[i].offset = i * stride;
    }
    owner_ = file.id;
    waiting_for_buffers_ = true;
    r->count = n;
    r->flags = 0;  // no cache hints
    r->capabilities = V4L2_BUF_CAP_SUPPORTS_MMAP | V4L2_BUF_CAP_SUPPORTS_USERPTR;
    t->granted = n;
    return 0;
}

int Camera::QueryBuf(const OpenFile &file, struct v4l2_buffer *b, TraceEntry *t) {
    t->type = b->type;
    t->index = b->index;
    t->memory = b->memory;
    if (int e = TakeFault(Call::kQueryBuf))
        return -e;
    (void)file;
    if (b->type != kCapture || b->index >= buffers_.size())
        return -EINVAL;
    FillBuffer(buffers_[b->index], b);
    return 0;
}

int Camera::QBuf(const OpenFile &file, struct v4l2_buffer *b, TraceEntry *t) {
    t->type = b->type;
    t->index = b->index;
    t->memory = b->memory;
    if (int e = TakeFault(Call::kQBuf))
        return -e;
    if (OwnedByOther(file))
        return -EBUSY;
    if (b->type != kCapture || b->memory != memory_ || b->index >= buffers_.size())
        return -EINVAL;
    if (b->flags & V4L2_BUF_FLAG_REQUEST_FD)
        return -EBADR;  // the node takes no media requests
    Buffer &buf = buffers_[b->index];
    if (buf.state != BufState::kDequeued)
        return -EINVAL;
    if (memory_ == V4L2_MEMORY_USERPTR) {
        if (b->m.userptr == 0 || b->length < buffer_length_)
            return -EINVAL;
        if (!UserMemoryMapped(b->m.userptr, b->length))
            return -EFAULT;  // the kernel cannot pin pages that are not there
        buf.userptr = b->m.userptr;
        buf.user_length = b->length;
    }
    buf.state = BufState::kQueued;
    buf.flags = 0;
    buf.bytesused = 0;
    queued_.push_back(buf.index);
    waiting_for_buffers_ = false;
    UpdateReadable();
    FillBuffer(buf, b);  // queued, as the application sees it when QBUF returns
    if (streaming_ && clock_ == Clock::kFast)
        ProduceFrame();
    return 0;
}

int Camera::DQBuf(Lock &lock, const OpenFile &file, struct v4l2_buffer *b, TraceEntry *t) {
    t->type = b->type;
    t->memory = b->memory;
    if (int e = TakeFault(Call::kDQBuf))
        return -e;
    if (OwnedByOther(file))
        return -EBUSY;
    if (b->type != kCapture)
        return -EINVAL;
    while (done_.empty()) {
        if (!streaming_)
            return -EINVAL;
        if (fcntl(file.fd, F_GETFL) & O_NONBLOCK)
            return -EAGAIN;
        cv_.wait(lock);
        if (faults_.unplugged)
            return -ENODEV;
        if (owner_ != file.id)
            return -EINVAL;
    }
    const uint32_t index = done_.front();
    done_.pop_front();
    Buffer &buf = buffers_[index];
    buf.state = BufState::kDequeued;
    FillBuffer(buf, b);
    b->flags &= ~static_cast<uint32_t>(V4L2_BUF_FLAG_DONE);
    t->index = index;
    t->bytesused = buf.bytesused;
    UpdateReadable();
    return 0;
}

int Camera::StreamOn(const OpenFile &file, const int *type, TraceEntry *t) {
    t->type = static_cast<uint32_t>(*type);
    if (int e = TakeFault(Call::kStreamOn))
        return -e;
    if (static_cast<uint32_t>(*type) != kCapture)
        return -EINVAL;
    if (OwnedByOther(file))
        return -EBUSY;
    if (buffers_.empty())
        return -EINVAL;
    if (streaming_)
        return 0;
    streaming_ = true;
    CommitStream();
    UpdateReadable();
    sequence_ = 0;
    idr_requested_ = true;  // a stream starts with an IDR
    if (clock_ == Clock::kRealTime) {
        StartProducer();
    } else if (clock_ == Clock::kFast) {
        PrepareFast();
        while (!queued_.empty() && ProduceFrame()) {
        }
    }
    return 0;
}

int Camera::StreamOff(const OpenFile &file, const int *type, TraceEntry *t) {
    t->type = static_cast<uint32_t>(*type);
    if (int e = TakeFault(Call::kStreamOff))
        return -e;
    if (static_cast<uint32_t>(*type) != kCapture)
        return -EINVAL;
    if (OwnedByOther(file))
        return -EBUSY;
    StopStreaming();
    return 0;
}

void *Camera::Mmap(const OpenFile &file, void *addr, size_t length, int prot, int flags,
                   int64_t offset, uint32_t *index, int *error) {
    std::lock_guard<std::mutex> lock(mu_);
    (void)file;
    *error = 0;
    if (faults_.unplugged)
        *error = ENODEV;
    else if (int e = TakeFault(Call::kMmap))
        *error = e;
    else if (memory_ != V4L2_MEMORY_MMAP || !(flags & MAP_SHARED))
        *error = EINVAL;
    if (*error)
        return MAP_FAILED;
    for (Buffer &b : buffers_) {
        if (b.offset != offset)
            continue;
        *index = b.index;
        if (length == 0 || length > PageAlign(buffer_length_)) {
            *error = EINVAL;
            return MAP_FAILED;
        }
        void *p = real::Mmap(addr, length, prot, flags, memfd_, offset);
        if (p == MAP_FAILED) {
            *error = errno;
            return MAP_FAILED;
        }
        ++b.mappings;
        return p;
    }
    *error = EINVAL;
    return MAP_FAILED;
}

void Camera::Unmapped(uint32_t index) {
    std::lock_guard<std::mutex> lock(mu_);
    if (index < buffers_.size() && buffers_[index].mappings > 0)
        --buffers_[index].mappings;
}

}  // namespace simcam
