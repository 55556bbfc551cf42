// serve's capture on the simulated camera: a client playing the RTSP URL sees the stream stop
// while the camera is unplugged, and go on, on the same connection, once it is back.
#include <gtest/gtest.h>
#include <simcam/simcam.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "capture_loop.h"
#include "rtsp_server.h"
#include "rtsp_sink.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include "bounded_wait.h"

namespace orvcli {
namespace {

using orvtest::Within10s;

// One RTSP client over TCP (libavformat, as players use it) counting the frames it receives
// on one connection.
class Client {
  public:
    explicit Client(const std::string &url) : thread_([this, url] { Run(url); }) {}
    ~Client() {
        stop_ = true;
        thread_.join();
    }
    int frames() const { return frames_; }
    bool ended() const { return ended_; }

  private:
    void Run(const std::string &url) {
        AVFormatContext *ctx = avformat_alloc_context();
        ctx->interrupt_callback = {
            [](void *self) { return static_cast<Client *>(self)->stop_ ? 1 : 0; }, this};
        AVDictionary *options = nullptr;
        av_dict_set(&options, "rtsp_transport", "tcp", 0);
        if (avformat_open_input(&ctx, url.c_str(), nullptr, &options) == 0) {
            AVPacket *packet = av_packet_alloc();
            while (av_read_frame(ctx, packet) >= 0) {
                ++frames_;
                av_packet_unref(packet);
            }
            av_packet_free(&packet);
            avformat_close_input(&ctx);
        }
        av_dict_free(&options);
        ended_ = true;
    }
    std::atomic<bool> stop_{false};
    std::atomic<int> frames_{0};
    std::atomic<bool> ended_{false};
    std::thread thread_;
};

TEST(Serve, UnpluggedCameraPausesTheStreamAndTheSameUrlResumes) {
    simcam::LoadDefaultConfig();
    LoopOptions options;
    options.node = "/dev/video0";
    ParseSettingText(*FindSetting("size"), "640x480", &options.settings.encoder.values[0]);
    FrameHub hub;
    StreamStats stats;
    CaptureLoop loop(options, &hub, &stats);
    ASSERT_TRUE(loop.Open());
    ServeOptions serve;
    serve.port = 0;
    RtspServer server(serve);
    std::string why;
    ASSERT_GT(server.Start(&why), 0) << why;
    RtspSink sink(&server);
    loop.AddSink(&sink);
    loop.Start();

    Client client(server.Url());
    ASSERT_TRUE(Within10s([&] { return client.frames() >= 10; }));
    simcam::Unplug("/dev/video0");
    ASSERT_TRUE(Within10s([&] { return loop.Status().state == LoopState::kGone; }));
    const uint64_t pushed = server.Stats().frames_in;
    const int received = client.frames();
    EXPECT_EQ(1u, server.Stats().clients) << "the client stays while the camera is away";

    simcam::LoadDefaultConfig();  // plugged in again
    ASSERT_TRUE(Within10s([&] { return client.frames() >= received + 10; }))
        << "pushed " << server.Stats().frames_in - pushed << " frames since the camera came back";
    EXPECT_FALSE(client.ended());
    EXPECT_EQ(1, loop.Status().reopened);
    loop.Stop();
}

}  // namespace
}  // namespace orvcli
