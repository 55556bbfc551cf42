// The frame path: read_h264_data on the simulated camera's fast clock (1080p frames encoded
// beforehand, handed out as fast as buffers come back), beside the same node streamed by
// `v4l2-ctl --stream-mmap` doing the same ioctls, and a bare poll/DQBUF/QBUF loop that shows
// what the camera itself costs. Every benchmark reports frames per second, CPU time per frame
// and heap allocations per frame (malloc and friends are counted in this process).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "camera_device.h"
#include "simcam/simcam.h"

extern "C" {
void *__libc_malloc(size_t);
void *__libc_calloc(size_t, size_t);
void *__libc_realloc(void *, size_t);
}

namespace {
std::atomic<long> allocations{0};
}

// Every heap allocation of the process goes through these.
extern "C" void *malloc(size_t n) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(n);
}
extern "C" void *calloc(size_t n, size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(n, size);
}
extern "C" void *realloc(void *p, size_t n) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(p, n);
}

namespace {

const char kNode[] = "/dev/video0";

std::string FastCameraConfig() {
    std::string text = simcam::DefaultConfigText();
    const std::string from = "\"clock\": \"realtime\"";
    text.replace(text.find(from), from.size(), "\"clock\": \"fast\", \"prebuffered_frames\": 30");
    return text;
}

double CpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void Report(benchmark::State &state, long frames, double cpu, long allocs) {
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    state.counters["cpu_us_per_frame"] = cpu * 1e6 / static_cast<double>(frames);
    state.counters["allocs_per_frame"] = static_cast<double>(allocs) / static_cast<double>(frames);
}

// Opened and streaming for one benchmark; closed after.
class Streaming {
  public:
    Streaming() {
        // The same node the peers stream when the caller names it, else the default one.
        const char *config = getenv("SIMCAM_CONFIG");
        if (config != nullptr && *config != '\0')
            simcam::LoadConfigFile(config);
        else
            simcam::LoadConfigText(FastCameraConfig());
        init_camera_device();
        CameraParams p{0x34363248, 1920, 1080, 30, 8, 31, 2, 1920000, 1};
        fd_ = open_device(12, kNode, &p, 0, nullptr);
        if (fd_ <= 0 || start_capture(fd_) != 0)
            fd_ = -1;
    }
    ~Streaming() {
        if (fd_ > 0) {
            stop_capture(fd_);
            close_device(fd_);
        }
    }
    int fd() const { return fd_; }

  private:
    int fd_ = -1;
};

void BM_ReadH264Data(benchmark::State &state) {
    Streaming dev;
    if (dev.fd() < 0) {
        state.SkipWithError("the simulated camera did not stream");
        return;
    }
    long frames = 0;
    long bytes = 0;
    const long allocs_before = allocations.load();
    const double cpu_before = CpuSeconds(RUSAGE_SELF);
    for (auto _ : state) {
        unsigned char *data = nullptr;
        const int n = read_h264_data(dev.fd(), &data);
        benchmark::DoNotOptimize(data);
        frames += n > 0;
        bytes += n;
    }
    Report(state, frames, CpuSeconds(RUSAGE_SELF) - cpu_before, allocations.load() - allocs_before);
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_ReadH264Data)->UseRealTime();

// The same requests with no manager in between: what the simulated camera costs per frame.
void BM_BareIoctlLoop(benchmark::State &state) {
    Streaming dev;
    if (dev.fd() < 0) {
        state.SkipWithError("the simulated camera did not stream");
        return;
    }
    stop_capture(dev.fd());
    start_capture(dev.fd());
    long frames = 0;
    const long allocs_before = allocations.load();
    const double cpu_before = CpuSeconds(RUSAGE_SELF);
    for (auto _ : state) {
        pollfd p = {dev.fd(), POLLIN, 0};
        poll(&p, 1, 1000);
        v4l2_buffer b{};
        b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        b.memory = V4L2_MEMORY_MMAP;
        if (ioctl(dev.fd(), VIDIOC_DQBUF, &b) == 0) {
            ++frames;
            ioctl(dev.fd(), VIDIOC_QBUF, &b);
        }
    }
    Report(state, frames, CpuSeconds(RUSAGE_SELF) - cpu_before, allocations.load() - allocs_before);
}
BENCHMARK(BM_BareIoctlLoop)->UseRealTime();

// One run of the stock tool on the same camera; its wall and CPU time.
bool RunV4l2Ctl(const std::string &config_path, int count, double *wall, double *cpu) {
    const std::string preload = std::string("LD_PRELOAD=") + SIMCAM_LIBRARY_PATH;
    const std::string config = "SIMCAM_CONFIG=" + config_path;
    const std::string count_arg = "--stream-count=" + std::to_string(count);
    char *argv[] = {const_cast<char *>("v4l2-ctl"),
                    const_cast<char *>("-d"),
                    const_cast<char *>(kNode),
                    const_cast<char *>("--stream-mmap"),
                    const_cast<char *>(count_arg.c_str()),
                    nullptr};
    char *envp[] = {const_cast<char *>(preload.c_str()), const_cast<char *>(config.c_str()),
                    nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, "v4l2-ctl", &actions, nullptr, argv, envp);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return false;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return false;
    *wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    *cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return true;
}

// Two runs of different lengths: their difference leaves out the tool's start-up and the
// camera's encoding at stream-on, which our loop does not pay inside its timing either.
void BM_V4l2CtlStreamMmap(benchmark::State &state) {
    char path[] = "/tmp/simcam-benchXXXXXX";
    const int tmp = mkstemp(path);
    const std::string config = FastCameraConfig();
    if (tmp < 0 ||
        write(tmp, config.data(), config.size()) != static_cast<ssize_t>(config.size())) {
        state.SkipWithError("cannot write the camera's configuration");
        return;
    }
    close(tmp);
    const int short_run = 100;
    const int long_run = static_cast<int>(state.range(0));
    double frames = 0, wall = 0, cpu = 0;
    for (auto _ : state) {
        double w1, c1, w2, c2;
        if (!RunV4l2Ctl(path, short_run, &w1, &c1) || !RunV4l2Ctl(path, long_run, &w2, &c2)) {
            state.SkipWithError("v4l2-ctl failed");
            break;
        }
        frames += long_run - short_run;
        wall += w2 - w1;
        cpu += c2 - c1;
        state.SetIterationTime(w2 - w1);
    }
    unlink(path);
    if (frames > 0) {
        state.counters["fps"] = frames / wall;
        state.counters["cpu_us_per_frame"] = cpu * 1e6 / frames;
    }
}
BENCHMARK(BM_V4l2CtlStreamMmap)->Arg(200100)->Iterations(3)->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
