// bench_rtsp_latency: capture-to-receipt latency of a network stream from the simulated camera
// with "stamp_capture_time" set. Each client (a thread, through libavformat as any player)
// reads the stream's packets without decoding them; a packet's latency is the monotonic clock
// when libavformat hands it over minus the capture time its SEI carries. Same machine only.
//
//   bench_rtsp_latency [--transport tcp|udp] [--clients N] [--listen] [--skip S] [--seconds S]
//                      URL...
//   bench_rtsp_latency --device NODE [--skip S] [--seconds S]
//
// --device reads the camera itself through libvistara (under the simulated camera's preload):
// the latency the camera and the driver's queue give before any network.
//
// One URL serves every client (N of them); several URLs get one client each. --listen makes
// each client the receiving end of a push (RTSP "listen" mode). Prints one JSON line:
// {"clients", "opened", "frames", "stamped", "p50_ms", "p99_ms", "max_ms", "frames_per_client"}.
extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

#include <time.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "camera_device.h"
#include "simcam/capture_time_sei.h"

namespace {

int64_t MonotonicNs() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

struct Options {
    std::string transport = "tcp";
    int clients = 1;
    bool listen = false;
    std::string device;
    double skip = 2;     // seconds left out at the start (joining, first IDR)
    double seconds = 5;  // seconds measured
    std::vector<std::string> urls;
};

struct Result {
    bool opened = false;
    int64_t frames = 0;
    std::vector<double> latencies_ms;
};

// The deadline every blocking libavformat call is held to.
std::atomic<int64_t> g_end_ns{0};

int Interrupt(void *) {
    return MonotonicNs() > g_end_ns.load() ? 1 : 0;
}

// The capture time in an Annex B packet, or -1.
int64_t CaptureTime(const uint8_t *data, size_t size) {
    for (size_t i = 0; i + 3 < size; ++i) {
        if (data[i] != 0 || data[i + 1] != 0 || data[i + 2] != 1)
            continue;
        const size_t begin = i + 3;
        size_t end = begin;
        while (end + 2 < size && !(data[end] == 0 && data[end + 1] == 0 && data[end + 2] <= 1))
            ++end;
        if (end + 2 >= size)
            end = size;
        uint64_t t = 0;
        if (simcam::FindCaptureTime(data + begin, end - begin, &t))
            return static_cast<int64_t>(t);
        i = end - 1;
    }
    return -1;
}

void RunClient(const Options &o, const std::string &url, int64_t measure_from_ns, Result *r) {
    AVFormatContext *ctx = avformat_alloc_context();
    ctx->interrupt_callback.callback = &Interrupt;
    AVDictionary *opts = nullptr;
    av_dict_set(&opts, "rtsp_transport", o.transport.c_str(), 0);
    av_dict_set(&opts, "fflags", "nobuffer", 0);
    av_dict_set(&opts, "max_delay", "0", 0);
    av_dict_set(&opts, "reorder_queue_size", "0", 0);
    if (o.listen)
        av_dict_set(&opts, "rtsp_flags", "listen", 0);
    const int opened = avformat_open_input(&ctx, url.c_str(), nullptr, &opts);
    av_dict_free(&opts);
    if (opened < 0)
        return;  // avformat_open_input freed the context
    r->opened = true;
    AVPacket *packet = av_packet_alloc();
    while (av_read_frame(ctx, packet) >= 0) {
        const int64_t now = MonotonicNs();
        if (now >= measure_from_ns) {
            ++r->frames;
            const int64_t captured = CaptureTime(packet->data, static_cast<size_t>(packet->size));
            if (captured > 0)
                r->latencies_ms.push_back(static_cast<double>(now - captured) / 1e6);
        }
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&ctx);
}

// The camera read directly, 1920x1080 at 30 fps, as orv-camera opens it.
void RunDevice(const Options &o, int64_t measure_from_ns, Result *r) {
    init_camera_device();
    const CameraParams params = {0x34363248, 1920, 1080, 30, 8, 0, 2, 4000000, 1};
    const int fd = open_device(12, o.device.c_str(), &params, 0, nullptr);
    if (fd < 0 || start_capture(fd) != 0) {
        if (fd >= 0)
            close_device(fd);
        return;
    }
    r->opened = true;
    while (MonotonicNs() < g_end_ns.load()) {
        unsigned char *data = nullptr;
        const int n = read_h264_data(fd, &data);
        const int64_t now = MonotonicNs();
        if (n <= 0 || !data || now < measure_from_ns)
            continue;
        ++r->frames;
        const int64_t captured = CaptureTime(data, static_cast<size_t>(n));
        if (captured > 0)
            r->latencies_ms.push_back(static_cast<double>(now - captured) / 1e6);
    }
    stop_capture(fd);
    close_device(fd);
}

double Percentile(const std::vector<double> &sorted, double p) {
    if (sorted.empty())
        return -1;
    const size_t i = static_cast<size_t>(p * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[std::min(i, sorted.size() - 1)];
}

int Usage() {
    std::fprintf(stderr,
                 "usage: bench_rtsp_latency [--transport tcp|udp] [--clients N] [--listen] "
                 "[--skip S] [--seconds S] URL...\n");
    return 2;
}

}  // namespace

int main(int argc, char **argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool has_value = i + 1 < argc;
        if (a == "--transport" && has_value)
            o.transport = argv[++i];
        else if (a == "--clients" && has_value)
            o.clients = std::atoi(argv[++i]);
        else if (a == "--skip" && has_value)
            o.skip = std::atof(argv[++i]);
        else if (a == "--seconds" && has_value)
            o.seconds = std::atof(argv[++i]);
        else if (a == "--device" && has_value)
            o.device = argv[++i];
        else if (a == "--listen")
            o.listen = true;
        else if (!a.empty() && a[0] != '-')
            o.urls.push_back(a);
        else
            return Usage();
    }
    if (o.urls.empty() == o.device.empty() || o.clients < 1 || o.seconds <= 0 || o.skip < 0)
        return Usage();
    av_log_set_level(AV_LOG_ERROR);
    avformat_network_init();
    std::vector<std::string> targets;
    for (int i = 0; i < (o.urls.size() == 1 ? o.clients : static_cast<int>(o.urls.size())); ++i)
        targets.push_back(o.urls[o.urls.size() == 1 ? 0 : static_cast<size_t>(i)]);
    const int64_t start = MonotonicNs();
    const int64_t measure_from = start + static_cast<int64_t>(o.skip * 1e9);
    g_end_ns = measure_from + static_cast<int64_t>(o.seconds * 1e9);
    std::vector<Result> results(targets.size());
    std::vector<std::thread> threads;
    if (!o.device.empty()) {
        results.resize(1);
        threads.emplace_back(RunDevice, std::cref(o), measure_from, &results[0]);
    }
    for (size_t i = 0; i < targets.size(); ++i)
        threads.emplace_back(RunClient, std::cref(o), std::cref(targets[i]), measure_from,
                             &results[i]);
    for (auto &t : threads)
        t.join();

    std::vector<double> all;
    int opened = 0;
    int64_t frames = 0;
    std::string per_client;
    for (const Result &r : results) {
        opened += r.opened ? 1 : 0;
        frames += r.frames;
        all.insert(all.end(), r.latencies_ms.begin(), r.latencies_ms.end());
        per_client += (per_client.empty() ? "" : ",") + std::to_string(r.frames);
    }
    std::sort(all.begin(), all.end());
    std::printf(
        "{\"clients\": %zu, \"opened\": %d, \"frames\": %lld, \"stamped\": %zu, "
        "\"p50_ms\": %.2f, \"p99_ms\": %.2f, \"max_ms\": %.2f, "
        "\"frames_per_client\": [%s]}\n",
        results.size(), opened, static_cast<long long>(frames), all.size(), Percentile(all, 0.5),
        Percentile(all, 0.99), all.empty() ? -1 : all.back(), per_client.c_str());
    return opened == static_cast<int>(results.size()) && !all.empty() ? 0 : 1;
}
