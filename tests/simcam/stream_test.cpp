// Streaming: buffers, the stepped clock, readability, dropped frames, and the stream's bytes.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/select.h>
#include <sys/mman.h>

#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "simcam_fixture.h"

namespace {

using Fd = orv::UniqueFd;
using simtest::kNode;
using simtest::NalTypes;

class Stream : public simtest::SimcamTest {
  protected:
    // REQBUFS, QUERYBUF and mmap of n buffers, as the capture layer does.
    void MapBuffers(int fd, uint32_t n) {
        struct v4l2_requestbuffers req = {};
        req.count = n;
        req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        req.memory = V4L2_MEMORY_MMAP;
        ASSERT_EQ(0, ioctl(fd, VIDIOC_REQBUFS, &req)) << strerror(errno);
        ASSERT_EQ(n, req.count);
        for (uint32_t i = 0; i < n; ++i) {
            struct v4l2_buffer b = {};
            b.index = i;
            b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
            b.memory = V4L2_MEMORY_MMAP;
            ASSERT_EQ(0, ioctl(fd, VIDIOC_QUERYBUF, &b));
            void *p = mmap(nullptr, b.length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, b.m.offset);
            ASSERT_NE(MAP_FAILED, p);
            maps_.push_back({p, b.length});
        }
    }
    void Queue(int fd, uint32_t index) {
        struct v4l2_buffer b = {};
        b.index = index;
        b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        b.memory = V4L2_MEMORY_MMAP;
        ASSERT_EQ(0, ioctl(fd, VIDIOC_QBUF, &b)) << strerror(errno);
    }
    static int StreamCall(int fd, unsigned long request) {
        int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        return ioctl(fd, request, &type);
    }
    static int Dequeue(int fd, struct v4l2_buffer *b) {
        std::memset(b, 0, sizeof *b);
        b->type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        b->memory = V4L2_MEMORY_MMAP;
        return ioctl(fd, VIDIOC_DQBUF, b);
    }
    static bool Readable(int fd) {
        struct pollfd p = {fd, POLLIN, 0};
        return poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
    }
    // A 640x480 stream of four queued buffers.
    void StartSmall(int fd) {
        struct v4l2_format f = {};
        f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        f.fmt.pix.pixelformat = V4L2_PIX_FMT_H264;
        f.fmt.pix.width = 640;
        f.fmt.pix.height = 480;
        ASSERT_EQ(0, ioctl(fd, VIDIOC_S_FMT, &f));
        MapBuffers(fd, 4);
        for (uint32_t i = 0; i < 4; ++i)
            Queue(fd, i);
        ASSERT_EQ(0, StreamCall(fd, VIDIOC_STREAMON));
    }
    void UnmapAll() {
        for (auto &m : maps_)
            munmap(m.first, m.second);
        maps_.clear();
    }
    void TearDown() override { UnmapAll(); }
    std::vector<std::pair<void *, size_t>> maps_;
};

TEST_F(Stream, SteppedFramesFillQueuedBuffersInOrderAndPollFollowsThem) {
    Fd fd(OpenNode());
    StartSmall(fd.get());
    struct v4l2_buffer b;
    EXPECT_FALSE(Readable(fd.get()));
    EXPECT_EQ(-1, Dequeue(fd.get(), &b));
    EXPECT_EQ(EAGAIN, errno);

    EXPECT_EQ(2, simcam::ReleaseFrames(kNode, 2));
    EXPECT_TRUE(Readable(fd.get()));
    ASSERT_EQ(0, Dequeue(fd.get(), &b));
    EXPECT_EQ(0u, b.index);
    EXPECT_EQ(0u, b.sequence);
    EXPECT_TRUE(b.flags & V4L2_BUF_FLAG_KEYFRAME);
    const auto frames = simcam::DeliveredFrames(kNode);
    ASSERT_EQ(2u, frames.size());
    ASSERT_EQ(frames[0].bytes.size(), b.bytesused);
    EXPECT_EQ(0, std::memcmp(maps_[0].first, frames[0].bytes.data(), b.bytesused));
    // The first access unit is an IDR with its parameter sets; the next is a P slice.
    EXPECT_EQ((std::vector<int>{7, 8, 5}), NalTypes(frames[0].bytes));
    EXPECT_TRUE(frames[0].idr);
    EXPECT_EQ((std::vector<int>{1}), NalTypes(frames[1].bytes));
    EXPECT_TRUE(Readable(fd.get()));
    ASSERT_EQ(0, Dequeue(fd.get(), &b));
    EXPECT_EQ(1u, b.index);
    EXPECT_EQ(frames[1].bytes.size(), b.bytesused);
    EXPECT_FALSE(Readable(fd.get()));

    const auto dq = simcam::TraceOf(simcam::Call::kDQBuf);
    ASSERT_EQ(3u, dq.size());
    EXPECT_EQ(EAGAIN, dq[0].error);
    EXPECT_EQ(1u, dq[2].index);
}

// poll answers as videobuf2 does for uvcvideo's queue, on every descriptor of the node: POLLERR
// until the queue streams with a buffer queued since REQBUFS or STREAMOFF, then POLLIN only
// while a filled buffer waits. DQBUF after STREAMOFF is EINVAL.
TEST_F(Stream, PollAnswersErrorWhileTheQueueIsNotStreaming) {
    Fd fd(OpenNode());
    Fd other(OpenNode());
    const struct {
        const char *when;
        std::function<void()> step;
        short revents;
    } rows[] = {
        {"no buffers", [] {}, POLLERR},
        {"after REQBUFS", [&] { MapBuffers(fd.get(), 2); }, POLLERR},
        {"streaming, none queued", [&] { StreamCall(fd.get(), VIDIOC_STREAMON); }, POLLERR},
        {"streaming, one queued", [&] { Queue(fd.get(), 0); }, 0},
        {"a filled buffer", [&] { simcam::ReleaseFrames(kNode, 1); }, POLLIN},
        {"after STREAMOFF", [&] { StreamCall(fd.get(), VIDIOC_STREAMOFF); }, POLLERR},
        {"queued, not streaming", [&] { Queue(fd.get(), 0); }, POLLERR},
    };
    for (const auto &row : rows) {
        row.step();
        for (int d : {fd.get(), other.get()}) {
            struct pollfd p = {d, POLLIN, 0};
            EXPECT_EQ(row.revents != 0 ? 1 : 0, poll(&p, 1, 0)) << row.when;
            EXPECT_EQ(row.revents, p.revents & (POLLIN | POLLERR | POLLHUP)) << row.when;
        }
    }
    struct v4l2_buffer b;
    EXPECT_EQ(-1, Dequeue(fd.get(), &b));
    EXPECT_EQ(EINVAL, errno);
}

// select (what the capture layer waits with) and epoll see the same readiness as poll, and a
// descriptor made non-blocking after open stops waiting in DQBUF.
TEST_F(Stream, SelectAndEpollFollowFilledBuffersAndNonBlockingMayBeSetLater) {
    Fd fd(open(kNode, O_RDWR));
    ASSERT_GE(fd.get(), 0);
    StartSmall(fd.get());
    const auto selected = [&] {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(fd.get(), &set);
        struct timeval none = {0, 0};
        return select(fd.get() + 1, &set, nullptr, nullptr, &none) == 1 && FD_ISSET(fd.get(), &set);
    };
    Fd ep(epoll_create1(EPOLL_CLOEXEC));
    struct epoll_event ev = {};
    ev.events = EPOLLIN;
    ev.data.fd = fd.get();
    ASSERT_EQ(0, epoll_ctl(ep.get(), EPOLL_CTL_ADD, fd.get(), &ev));
    const auto epolled = [&] {
        struct epoll_event out = {};
        return epoll_wait(ep.get(), &out, 1, 0) == 1 && out.data.fd == fd.get();
    };
    EXPECT_FALSE(selected());
    EXPECT_FALSE(epolled());
    ASSERT_EQ(1, simcam::ReleaseFrames(kNode, 1));
    EXPECT_TRUE(selected());
    EXPECT_TRUE(epolled());
    struct v4l2_buffer b;
    ASSERT_EQ(0, Dequeue(fd.get(), &b));
    EXPECT_FALSE(selected());
    EXPECT_FALSE(epolled());

    ASSERT_EQ(0, fcntl(fd.get(), F_SETFL, fcntl(fd.get(), F_GETFL) | O_NONBLOCK));
    EXPECT_EQ(-1, Dequeue(fd.get(), &b));
    EXPECT_EQ(EAGAIN, errno);
}

// REQBUFS with count 0 frees the queue; mappings the application still holds stay readable
// (the memory is orphaned, not pulled away), and the node takes a new request.
TEST_F(Stream, ZeroCountRequestFreesTheQueueAndLeavesMappingsUsable) {
    Fd fd(OpenNode());
    StartSmall(fd.get());
    ASSERT_EQ(1, simcam::ReleaseFrames(kNode, 1));
    struct v4l2_buffer b;
    ASSERT_EQ(0, Dequeue(fd.get(), &b));
    const std::vector<uint8_t> frame = simcam::DeliveredFrames(kNode)[0].bytes;
    struct v4l2_requestbuffers req = {};
    req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    req.memory = V4L2_MEMORY_MMAP;
    EXPECT_EQ(-1, ioctl(fd.get(), VIDIOC_REQBUFS, &req));  // still streaming
    EXPECT_EQ(EBUSY, errno);
    ASSERT_EQ(0, StreamCall(fd.get(), VIDIOC_STREAMOFF));
    ASSERT_EQ(0, ioctl(fd.get(), VIDIOC_REQBUFS, &req));
    EXPECT_EQ(0, std::memcmp(maps_[0].first, frame.data(), frame.size()));
    b.index = 0;
    EXPECT_EQ(-1, ioctl(fd.get(), VIDIOC_QUERYBUF, &b));
    EXPECT_EQ(EINVAL, errno);
    EXPECT_EQ(-1, StreamCall(fd.get(), VIDIOC_STREAMON));
    EXPECT_EQ(EINVAL, errno);
    // Another descriptor may now own the queue.
    Fd other(OpenNode());
    req.count = 2;
    EXPECT_EQ(0, ioctl(other.get(), VIDIOC_REQBUFS, &req));
    EXPECT_EQ(2u, req.count);
}

// User-pointer buffers: memory that is not mapped is refused with EFAULT at QBUF (as the
// kernel fails to pin it), never written into later; mapped memory receives the frame.
TEST_F(Stream, UserPointerBuffersMustBeMappedMemory) {
    Fd fd(OpenNode());
    struct v4l2_format f = {};
    f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    ASSERT_EQ(0, ioctl(fd.get(), VIDIOC_G_FMT, &f));
    const size_t size = f.fmt.pix.sizeimage;
    struct v4l2_requestbuffers req = {};
    req.count = 1;
    req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    req.memory = V4L2_MEMORY_USERPTR;
    ASSERT_EQ(0, ioctl(fd.get(), VIDIOC_REQBUFS, &req));
    // A hole: mapped, then unmapped again.
    void *hole = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(MAP_FAILED, hole);
    ASSERT_EQ(0, munmap(hole, size));
    struct v4l2_buffer b = {};
    b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    b.memory = V4L2_MEMORY_USERPTR;
    b.m.userptr = reinterpret_cast<unsigned long>(hole);
    b.length = static_cast<uint32_t>(size);
    EXPECT_EQ(-1, ioctl(fd.get(), VIDIOC_QBUF, &b));
    EXPECT_EQ(EFAULT, errno);

    std::vector<uint8_t> memory(size, 0xEE);
    b.m.userptr = reinterpret_cast<unsigned long>(memory.data());
    ASSERT_EQ(0, ioctl(fd.get(), VIDIOC_QBUF, &b));
    ASSERT_EQ(0, StreamCall(fd.get(), VIDIOC_STREAMON));
    ASSERT_EQ(1, simcam::ReleaseFrames(kNode, 1));
    struct v4l2_buffer out = {};
    out.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    out.memory = V4L2_MEMORY_USERPTR;
    ASSERT_EQ(0, ioctl(fd.get(), VIDIOC_DQBUF, &out));
    EXPECT_EQ(b.m.userptr, out.m.userptr);
    const auto frame = simcam::DeliveredFrames(kNode).back().bytes;
    ASSERT_EQ(frame.size(), out.bytesused);
    EXPECT_EQ(0, std::memcmp(memory.data(), frame.data(), frame.size()));
    EXPECT_EQ(0xEE, memory[frame.size()]);  // nothing past the frame is touched
}

TEST_F(Stream, FrameWithNoQueuedBufferIsDroppedAndHeldBuffersAreNeverOverwritten) {
    Fd fd(OpenNode());
    StartSmall(fd.get());
    EXPECT_EQ(4, simcam::ReleaseFrames(kNode, 6));
    EXPECT_EQ(2u, simcam::DroppedFrames(kNode));
    struct v4l2_buffer b;
    ASSERT_EQ(0, Dequeue(fd.get(), &b));
    const std::vector<uint8_t> held(static_cast<uint8_t *>(maps_[0].first),
                                    static_cast<uint8_t *>(maps_[0].first) + b.bytesused);
    EXPECT_EQ(0, simcam::ReleaseFrames(kNode, 3));
    EXPECT_EQ(held, simcam::DeliveredFrames(kNode)[0].bytes);
    EXPECT_EQ(0, std::memcmp(maps_[0].first, held.data(), held.size()));
    Queue(fd.get(), 0);
    EXPECT_EQ(1, simcam::ReleaseFrames(kNode, 1));
    // Dropped frames still count in the sequence.
    for (uint32_t expect : {1u, 2u, 3u, 9u}) {
        ASSERT_EQ(0, Dequeue(fd.get(), &b));
        EXPECT_EQ(expect, b.sequence);
    }
}

// A corrupted frame: flagged, or (uvcvideo's nodrop=0, Linux 6.1's default) dropped with its
// sequence number spent and its buffer used for the next frame.
TEST_F(Stream, CorruptedFramesAreFlaggedOrDroppedAsTheDriverIsLoaded) {
    for (bool drop : {false, true}) {
        std::string text = simcam::DefaultConfigText();
        text.insert(text.find('{', text.find("\"nodes\"")) + 1,
                    drop ? "\"drop_corrupted\": true," : "");
        simcam::LoadConfigText(text);
        simcam::SetClock(kNode, simcam::Clock::kStepped);
        Fd fd(OpenNode());
        StartSmall(fd.get());
        simcam::CorruptFrames(kNode, 1);
        EXPECT_EQ(drop ? 2 : 3, simcam::ReleaseFrames(kNode, 3));
        struct v4l2_buffer b;
        for (uint32_t expect :
             drop ? std::vector<uint32_t>{1, 2} : std::vector<uint32_t>{0, 1, 2}) {
            ASSERT_EQ(0, Dequeue(fd.get(), &b));
            EXPECT_EQ(expect, b.sequence) << drop;
            EXPECT_EQ(!drop && expect == 0, (b.flags & V4L2_BUF_FLAG_ERROR) != 0) << drop;
        }
        UnmapAll();
    }
}

TEST_F(Stream, StreamOffReturnsEveryBufferAndDequeueThenFails) {
    Fd fd(OpenNode());
    StartSmall(fd.get());
    simcam::ReleaseFrames(kNode, 2);
    ASSERT_EQ(0, StreamCall(fd.get(), VIDIOC_STREAMOFF));
    EXPECT_FALSE(Readable(fd.get()));
    struct v4l2_buffer b;
    EXPECT_EQ(-1, Dequeue(fd.get(), &b));
    EXPECT_EQ(EINVAL, errno);
    // Every buffer is the application's again: each can be queued once more.
    for (uint32_t i = 0; i < 4; ++i)
        Queue(fd.get(), i);
    struct v4l2_buffer again = {};
    again.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    again.memory = V4L2_MEMORY_MMAP;
    EXPECT_EQ(-1, ioctl(fd.get(), VIDIOC_QBUF, &again));
    EXPECT_EQ(EINVAL, errno);
    EXPECT_EQ(0, simcam::ReleaseFrames(kNode, 1));
}

TEST_F(Stream, BlockingDequeueWaitsForTheNextFrame) {
    Fd fd(open(kNode, O_RDWR));
    StartSmall(fd.get());
    std::thread camera([] {
        // Frames go out until the reader has taken one.
        while (simcam::TraceOf(simcam::Call::kDQBuf).empty())
            if (simcam::ReleaseFrames(kNode, 1) == 0)
                std::this_thread::yield();
    });
    struct v4l2_buffer b;
    EXPECT_EQ(0, Dequeue(fd.get(), &b));
    camera.join();
    EXPECT_GT(b.bytesused, 0u);
}

TEST_F(Stream, UnplugFailsEveryLaterCallWithEnodevAndWakesPoll) {
    Fd fd(OpenNode());
    StartSmall(fd.get());
    simcam::Unplug(kNode);
    struct pollfd p = {fd.get(), POLLIN, 0};
    EXPECT_EQ(1, poll(&p, 1, 0));
    EXPECT_EQ(POLLERR | POLLHUP, p.revents & (POLLERR | POLLHUP | POLLIN));
    struct v4l2_buffer b;
    EXPECT_EQ(-1, Dequeue(fd.get(), &b));
    EXPECT_EQ(ENODEV, errno);
    EXPECT_EQ(-1, StreamCall(fd.get(), VIDIOC_STREAMOFF));
    EXPECT_EQ(ENODEV, errno);
    struct v4l2_capability cap;
    EXPECT_EQ(-1, ioctl(fd.get(), VIDIOC_QUERYCAP, &cap));
    EXPECT_EQ(ENODEV, errno);
    EXPECT_EQ(-1, OpenNode());
    EXPECT_EQ(ENOENT, errno);
    EXPECT_EQ(0, close(fd.release()));
}

TEST_F(Stream, RequestFaultsAndGrants) {
    Fd fd(OpenNode());
    struct v4l2_requestbuffers req = {};
    req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    req.memory = V4L2_MEMORY_MMAP;
    for (uint32_t grant : {2u, 6u}) {
        simcam::GrantBuffers(kNode, grant);
        req.count = 4;
        ASSERT_EQ(0, ioctl(fd.get(), VIDIOC_REQBUFS, &req));
        EXPECT_EQ(grant, req.count);
    }
    const auto reqs = simcam::TraceOf(simcam::Call::kReqBufs);
    ASSERT_EQ(2u, reqs.size());
    EXPECT_EQ("REQBUFS /dev/video0 count=4 memory=1 granted=6 -> 0", reqs[1].Text());

    const struct {
        simcam::Call call;
        int err;
    } faults[] = {{simcam::Call::kQueryBuf, EIO},
                  {simcam::Call::kQBuf, EINVAL},
                  {simcam::Call::kStreamOn, EPIPE},
                  {simcam::Call::kStreamOff, EIO}};
    for (const auto &f : faults)
        simcam::FailCall(kNode, f.call, f.err, 1);
    simcam::FailCall(kNode, simcam::Call::kMmap, ENOMEM, 1);
    struct v4l2_buffer b = {};
    b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    b.memory = V4L2_MEMORY_MMAP;
    EXPECT_EQ(-1, ioctl(fd.get(), VIDIOC_QUERYBUF, &b));
    EXPECT_EQ(EIO, errno);
    ASSERT_EQ(0, ioctl(fd.get(), VIDIOC_QUERYBUF, &b));  // only once
    EXPECT_EQ(MAP_FAILED, mmap(nullptr, b.length, PROT_READ, MAP_SHARED, fd.get(), b.m.offset));
    EXPECT_EQ(ENOMEM, errno);
    EXPECT_EQ(-1, ioctl(fd.get(), VIDIOC_QBUF, &b));
    EXPECT_EQ(EINVAL, errno);
    EXPECT_EQ(-1, StreamCall(fd.get(), VIDIOC_STREAMON));
    EXPECT_EQ(EPIPE, errno);
    EXPECT_EQ(-1, StreamCall(fd.get(), VIDIOC_STREAMOFF));
    EXPECT_EQ(EIO, errno);
    simcam::FailCall(kNode, simcam::Call::kDQBuf, EIO);
    ASSERT_EQ(0, StreamCall(fd.get(), VIDIOC_STREAMON));
    EXPECT_EQ(-1, Dequeue(fd.get(), &b));
    EXPECT_EQ(EIO, errno);
}

TEST_F(Stream, FaultAfterSomeCallsLetsThoseSucceedFirst) {
    Fd fd(OpenNode());
    simcam::FailCall(kNode, simcam::Call::kMmap, ENOMEM, 1, 2);
    struct v4l2_requestbuffers req = {};
    req.count = 4;
    req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    req.memory = V4L2_MEMORY_MMAP;
    ASSERT_EQ(0, ioctl(fd.get(), VIDIOC_REQBUFS, &req));
    std::vector<bool> mapped;
    for (uint32_t i = 0; i < 4; ++i) {
        struct v4l2_buffer b = {};
        b.index = i;
        b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        b.memory = V4L2_MEMORY_MMAP;
        ASSERT_EQ(0, ioctl(fd.get(), VIDIOC_QUERYBUF, &b));
        void *p = mmap(nullptr, b.length, PROT_READ, MAP_SHARED, fd.get(), b.m.offset);
        mapped.push_back(p != MAP_FAILED);
        if (p != MAP_FAILED)
            maps_.push_back({p, b.length});
    }
    EXPECT_EQ((std::vector<bool>{true, true, false, true}), mapped);

    // The same from the configuration: two dequeue attempts answer as usual, the third fails.
    std::string config = simcam::DefaultConfigText();
    const std::string from = "\"clock\": \"realtime\",";
    config.replace(
        config.find(from), from.size(),
        from + R"( "faults": {"calls": {"dqbuf": {"errno": "EIO", "times": 1, "after": 2}}},)");
    simcam::LoadConfigText(config);
    Fd again(OpenNode());
    struct v4l2_buffer b;
    std::vector<int> errors;
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(-1, Dequeue(again.get(), &b));
        errors.push_back(errno);
    }
    EXPECT_EQ((std::vector<int>{EINVAL, EINVAL, EIO, EINVAL}), errors);
}

TEST_F(Stream, SecondDescriptorCannotTouchTheOwnersQueueButMayQuery) {
    Fd owner(OpenNode());
    StartSmall(owner.get());
    Fd other(OpenNode());
    struct v4l2_requestbuffers req = {};
    req.count = 2;
    req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    req.memory = V4L2_MEMORY_MMAP;
    EXPECT_EQ(-1, ioctl(other.get(), VIDIOC_REQBUFS, &req));
    EXPECT_EQ(EBUSY, errno);
    struct v4l2_fmtdesc desc = {};
    desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    EXPECT_EQ(0, ioctl(other.get(), VIDIOC_ENUM_FMT, &desc));
    // Closing the owner stops its stream and frees the queue for the other descriptor, once
    // its buffers are unmapped too: a mapping holds the open file, as the kernel's do.
    close(owner.release());
    EXPECT_EQ(-1, ioctl(other.get(), VIDIOC_REQBUFS, &req));
    UnmapAll();
    EXPECT_EQ(0, ioctl(other.get(), VIDIOC_REQBUFS, &req));
}

// dup, dup2, dup3 and F_DUPFD copies share the owner's open file, as the kernel's do: each copy
// drives the owner's queue, and the node is released with the last copy, whichever closes last
// (dup2 onto a copy closes that copy).
TEST_F(Stream, DescriptorCopiesShareTheOpenFileUntilTheLastCloses) {
    Fd owner(OpenNode());
    StartSmall(owner.get());
    Fd other(OpenNode());
    int pipe_fds[2];
    ASSERT_EQ(0, pipe(pipe_fds));
    const int copies[] = {dup(owner.get()), fcntl(owner.get(), F_DUPFD_CLOEXEC, 100),
                          fcntl(owner.get(), F_DUPFD, 0), dup3(owner.get(), 200, O_CLOEXEC)};
    ASSERT_GE(copies[1], 100);
    EXPECT_EQ(200, copies[3]);
    EXPECT_EQ(FD_CLOEXEC, fcntl(copies[1], F_GETFD));
    EXPECT_EQ(copies[0], dup2(copies[0], copies[0]));
    close(owner.release());
    struct v4l2_requestbuffers req = {};
    req.count = 2;
    req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    req.memory = V4L2_MEMORY_MMAP;
    for (int fd : copies) {
        EXPECT_EQ(0, StreamCall(fd, VIDIOC_STREAMON)) << fd;
        EXPECT_EQ(-1, ioctl(other.get(), VIDIOC_REQBUFS, &req));
        EXPECT_EQ(EBUSY, errno);
        if (fd == copies[3])
            EXPECT_EQ(fd, dup2(pipe_fds[0], fd));  // the C library closes the copy first
        else
            EXPECT_EQ(0, close(fd));
    }
    UnmapAll();  // the mappings held the file too
    EXPECT_EQ(0, ioctl(other.get(), VIDIOC_REQBUFS, &req)) << strerror(errno);
    close(copies[3]);
    close(pipe_fds[0]);
    close(pipe_fds[1]);
}

// Calls on one copy go on while another thread closes, one after the other, the copies that
// name the open file (each close renumbers it).
TEST_F(Stream, CallsOnACopyGoOnWhileTheCopyNamingTheFileCloses) {
    int named = OpenNode();
    Fd used(fcntl(named, F_DUPFD_CLOEXEC, 500));
    int failures = 0;
    std::thread caller([&] {
        struct v4l2_requestbuffers req = {};
        req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        req.memory = V4L2_MEMORY_MMAP;
        for (int i = 0; i < 400; ++i, req.count = 2 - req.count)
            failures += ioctl(used.get(), VIDIOC_REQBUFS, &req) != 0;
    });
    for (int i = 0; i < 400; ++i) {
        const int next = dup(named);  // below 500: it names the file once `named` closes
        close(named);
        named = next;
    }
    caller.join();
    close(named);
    EXPECT_EQ(0, failures);
}

TEST_F(Stream, FastClockFillsEveryQueuedBufferFromFramesEncodedAtStreamOn) {
    simcam::SetClock(kNode, simcam::Clock::kFast);
    Fd fd(OpenNode());
    StartSmall(fd.get());
    struct v4l2_buffer b;
    for (int i = 0; i < 40; ++i) {
        ASSERT_EQ(0, Dequeue(fd.get(), &b)) << i;
        EXPECT_EQ(static_cast<uint32_t>(i), b.sequence);
        // The 30 frames encoded beforehand go round: frame 30 is the IDR of frame 0 again.
        EXPECT_EQ(i % 30 == 0, (b.flags & V4L2_BUF_FLAG_KEYFRAME) != 0) << i;
        Queue(fd.get(), b.index);
    }
    EXPECT_EQ(0u, simcam::DroppedFrames(kNode));
}

TEST_F(Stream, RealTimeClockDeliversOnItsOwnThread) {
    simcam::SetClock(kNode, simcam::Clock::kRealTime);
    Fd fd(OpenNode());
    StartSmall(fd.get());
    struct pollfd p = {fd.get(), POLLIN, 0};
    ASSERT_EQ(1, poll(&p, 1, 10000));
    struct v4l2_buffer b;
    EXPECT_EQ(0, Dequeue(fd.get(), &b));
    EXPECT_EQ(0, StreamCall(fd.get(), VIDIOC_STREAMOFF));
}

}  // namespace
