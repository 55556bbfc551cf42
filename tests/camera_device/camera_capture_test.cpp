// Capture and frame reads against the simulated camera: buffers and streaming, frames that
// stay intact while the caller holds them, the dump file's bound, timeouts, a camera that
// disappears, and descriptors no select set can hold.
#include <android/log.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "camera_test_util.h"
#include "simcam/simcam.h"

namespace {

using orvtest::LogEntry;
using orvtest::device::Error;
using orvtest::device::Info;
using Bytes = std::vector<uint8_t>;

const char kNode[] = "/dev/video0";

Bytes At(const unsigned char *data, int n) {
    return Bytes(data, data + n);
}

std::vector<simcam::Call> Calls(const std::vector<simcam::Call> &kinds) {
    std::vector<simcam::Call> calls;
    for (const simcam::TraceEntry &e : simcam::Trace())
        for (simcam::Call k : kinds)
            if (e.call == k)
                calls.push_back(e.call);
    return calls;
}

class CameraCapture : public camtest::CameraTest {};

TEST_F(CameraCapture, FrameStaysIntactUntilTheNextRead) {
    const int fd = Open(kNode);
    ASSERT_GT(fd, 0);
    StartStepped(fd);
    ASSERT_EQ(1, simcam::ReleaseFrames(kNode, 1));
    unsigned char *data = nullptr;
    const int n = read_h264_data(fd, &data);
    const simcam::Frame first = simcam::DeliveredFrames(kNode).at(0);
    ASSERT_EQ(static_cast<int>(first.bytes.size()), n);
    ASSERT_EQ(first.bytes, At(data, n));

    // The camera fills the three other buffers and drops the rest: never the one held.
    EXPECT_EQ(3, simcam::ReleaseFrames(kNode, 6));
    EXPECT_EQ(first.bytes, At(data, n));

    // The next read gives it back before it waits, then takes the oldest filled buffer.
    simcam::ClearTrace();
    unsigned char *next = nullptr;
    const int m = read_h264_data(fd, &next);
    const std::vector<simcam::TraceEntry> trace = simcam::Trace();
    ASSERT_EQ(2u, trace.size());
    EXPECT_EQ(simcam::Call::kQBuf, trace[0].call);
    EXPECT_EQ(first.index, trace[0].index);
    EXPECT_EQ(simcam::Call::kDQBuf, trace[1].call);
    EXPECT_EQ(simcam::DeliveredFrames(kNode).at(1).bytes, At(next, m));
}

TEST_F(CameraCapture, StopStartCyclesAndStartFailures) {
    const int fd = Open(kNode);
    ASSERT_GT(fd, 0);
    for (int cycle = 0; cycle < 3; ++cycle) {
        ClearLog();
        StartStepped(fd);
        ASSERT_EQ(1, simcam::ReleaseFrames(kNode, 1));
        unsigned char *data = nullptr;
        EXPECT_GT(read_h264_data(fd, &data), 0) << cycle;
        stop_capture(fd);
        using C = simcam::Call;
        EXPECT_EQ(
            (std::vector<C>{C::kReqBufs, C::kQBuf, C::kQBuf, C::kQBuf, C::kQBuf, C::kStreamOn,
                            C::kDQBuf, C::kStreamOff, C::kMunmap, C::kMunmap, C::kMunmap,
                            C::kMunmap}),
            Calls({C::kReqBufs, C::kQBuf, C::kDQBuf, C::kStreamOn, C::kStreamOff, C::kMunmap}));
        EXPECT_EQ((std::vector<LogEntry>{
                      Info("start_capture", " start_capture "),
                      Info("start_capture", " v4l2_req_buf ok"),
                      Info("start_capture", " v4l2_start_capture ok"),
                      Info("stop_capture", ""),
                  }),
                  orvtest::DeviceLines(capture_));
    }

    StartStepped(fd);  // a second start is refused, and the stream goes on
    EXPECT_EQ(-1, start_capture(fd));
    EXPECT_EQ(EBUSY, errno);
    EXPECT_EQ(Error("start_capture", " already capturing"), orvtest::DeviceLines(capture_).back());
    ASSERT_EQ(1, simcam::ReleaseFrames(kNode, 1));
    unsigned char *data = nullptr;
    EXPECT_GT(read_h264_data(fd, &data), 0);
    stop_capture(fd);

    simcam::GrantBuffers(kNode, 2);
    capture_.clear();
    EXPECT_EQ(-1, start_capture(fd));
    EXPECT_EQ(Error("start_capture", " v4l2_req_buf error"), orvtest::DeviceLines(capture_).back());
    simcam::GrantBuffers(kNode, 0);

    // A start failing at any step (ENOSPC: a shared USB bus is full) leaves nothing mapped or
    // streaming behind; a retry then works.
    using C = simcam::Call;
    for (C fail : {C::kQueryBuf, C::kMmap, C::kQBuf, C::kStreamOn}) {
        simcam::ClearTrace();
        simcam::FailCall(kNode, fail, ENOSPC, 1, fail == C::kStreamOn ? 0 : 2);
        EXPECT_EQ(-1, start_capture(fd));
        EXPECT_EQ(1u, simcam::TraceOf(C::kStreamOff).size());
        const size_t failed_maps = fail == C::kMmap ? 1 : 0;
        EXPECT_EQ(simcam::TraceOf(C::kMmap).size() - failed_maps,
                  simcam::TraceOf(C::kMunmap).size());
        EXPECT_EQ(0, start_capture(fd));
        stop_capture(fd);
    }
}

// Not capturing (before the start, after the stop) the queue polls POLLERR: the read fails at
// once with EINVAL and its own line, the device still there. A stream with no frame runs out
// the second.
TEST_F(CameraCapture, ReadsNotCapturingOrWithoutAFrame) {
    const int fd = Open(kNode);
    ASSERT_GT(fd, 0);
    for (int step = 0; step < 3; ++step) {
        if (step > 0)
            StartStepped(fd);
        if (step == 1)
            stop_capture(fd);
        unsigned char *data = reinterpret_cast<unsigned char *>(0x1);
        capture_.clear();
        errno = 0;
        EXPECT_EQ(-1, read_h264_data(fd, &data)) << step;
        EXPECT_EQ(step < 2 ? EINVAL : ETIMEDOUT, errno) << step;
        EXPECT_EQ(reinterpret_cast<unsigned char *>(0x1), data) << step;
        EXPECT_EQ(Error("read_h264_data",
                        step < 2 ? " not capturing, revents:0x8" : " select timeout, error:0"),
                  orvtest::DeviceLines(capture_).at(0))
            << step;
    }
}

TEST_F(CameraCapture, DumpStopsAfterTheFrameThatCrosses8MiB) {
    // Large frames: every frame an IDR at a high bit rate, made beforehand on the fast clock.
    simcam::LoadConfigText(camtest::Cameras(1, [](nlohmann::json &node) {
        node["clock"] = "fast";
        node["prebuffered_frames"] = 8;
    }));
    char path[] = "/tmp/dumpXXXXXX";
    const int tmp = mkstemp(path);
    ASSERT_GE(tmp, 0);
    close(tmp);
    CameraParams p = camtest::HeldParams();
    p.rate_control_mode = 0;  // constant QP: frame sizes that do not follow the bit rate
    const int fd = open_device(12, kNode, &p, 1, path);
    ASSERT_GT(fd, 0);
    opened_.push_back(fd);
    ASSERT_EQ(0, start_capture(fd));

    Bytes expected;
    int frames_after = 0;
    while (frames_after < 3) {
        unsigned char *data = nullptr;
        const int n = read_h264_data(fd, &data);
        ASSERT_GT(n, 0);
        if (expected.size() < 0x800000)
            expected.insert(expected.end(), data, data + n);
        else
            ++frames_after;
    }
    EXPECT_EQ(static_cast<int>(expected.size()), findOpenedDeviceByFD(fd)->dump_bytes);
    stop_capture(fd);
    close_device(fd);  // closes the file
    Forget(fd);
    std::ifstream in(path, std::ios::binary);
    const Bytes written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(expected.size(), written.size());
    EXPECT_TRUE(expected == written);
    unlink(path);
}

TEST_F(CameraCapture, CameraUnpluggedOrDequeueFailing) {
    const int fd = Open(kNode);
    ASSERT_GT(fd, 0);
    StartStepped(fd);
    unsigned char *data = nullptr;
    // Woken with nothing to take: 0. Any other failed dequeue, and the hang-up of an unplugged
    // camera, give -1 at once with the errno: no spinning on 0, no one-second wait. EIO while
    // capturing is the queue's error state of a camera that went: ENODEV.
    for (int error : {EAGAIN, EIO, EBUSY}) {
        ASSERT_EQ(1, simcam::ReleaseFrames(kNode, 1));
        simcam::FailCall(kNode, simcam::Call::kDQBuf, error, 1);
        EXPECT_EQ(error == EAGAIN ? 0 : -1, read_h264_data(fd, &data));
        EXPECT_EQ(error == EIO ? ENODEV : error, errno);
        EXPECT_GT(read_h264_data(fd, &data), 0);
    }
    simcam::Unplug(kNode);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(-1, read_h264_data(fd, &data));
        EXPECT_EQ(ENODEV, errno);
    }
    stop_capture(fd);
    close_device(fd);
    Forget(fd);

    simcam::Reset();  // back again
    EXPECT_GT(Open(kNode), 0);
}

TEST_F(CameraCapture, CorruptedFramesAreSkippedWithOneIFrameRequest) {
    const int fd = Open(kNode);
    ASSERT_GT(fd, 0);
    StartStepped(fd);
    simcam::CorruptFrames(kNode, 2);
    ASSERT_EQ(3, simcam::ReleaseFrames(kNode, 3));
    simcam::ClearTrace();
    unsigned char *data = nullptr;
    const int n = read_h264_data(fd, &data);
    const simcam::Frame good = simcam::DeliveredFrames(kNode).at(2);
    ASSERT_FALSE(good.error);
    EXPECT_EQ(good.bytes, At(data, n));
    EXPECT_EQ(2u, simcam::TraceOf(simcam::Call::kQBuf).size());
    EXPECT_EQ(1u, simcam::TraceOf(simcam::Call::kXuQuery).size());
}

TEST_F(CameraCapture, UnknownOrClosedDescriptor) {
    const int fd = Open(kNode);
    ASSERT_GT(fd, 0);
    close_device(fd);
    Forget(fd);
    ClearLog();
    unsigned char *data = nullptr;
    EXPECT_EQ(-1, start_capture(fd));
    EXPECT_EQ(-1, read_h264_data(fd, &data));
    EXPECT_EQ(-1, read_h264_data(0, &data));
    stop_capture(fd);
    EXPECT_EQ(nullptr, data);
    EXPECT_TRUE(simcam::Trace().empty());
    EXPECT_EQ((std::vector<LogEntry>{
                  Info("start_capture", " start_capture "),
                  Info("stop_capture", ""),
                  Error("stop_capture",
                        " stop_capture error, fd:" + std::to_string(fd) + " camera not found"),
              }),
              orvtest::DeviceLines(capture_));
}

TEST_F(CameraCapture, DescriptorAbove1023) {
    rlimit limit{};
    ASSERT_EQ(0, getrlimit(RLIMIT_NOFILE, &limit));
    if (limit.rlim_max < 1100)
        GTEST_SKIP() << "descriptor limit " << limit.rlim_max;
    const rlimit saved = limit;
    limit.rlim_cur = 1100;
    ASSERT_EQ(0, setrlimit(RLIMIT_NOFILE, &limit));
    // Take every descriptor below 1024, then free 1024 for the node.
    std::vector<int> fillers;
    int f = open("/dev/null", O_RDONLY);
    for (; f >= 0 && f < 1024; f = dup(f))
        fillers.push_back(f);
    ASSERT_EQ(1024, f);
    close(f);

    const int fd = Open(kNode);
    ASSERT_EQ(1024, fd);
    StartStepped(fd);
    ASSERT_EQ(1, simcam::ReleaseFrames(kNode, 1));
    unsigned char *data = nullptr;
    EXPECT_EQ(static_cast<int>(simcam::DeliveredFrames(kNode).at(0).bytes.size()),
              read_h264_data(fd, &data));

    stop_capture(fd);
    close_device(fd);
    Forget(fd);
    for (int filler : fillers)
        close(filler);
    setrlimit(RLIMIT_NOFILE, &saved);
}

}  // namespace
