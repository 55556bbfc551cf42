// The console's capture loop on the simulated camera: a camera that goes away mid-recording
// ends the recording complete, answers requests with "camera gone", and is reopened with its
// stream when it comes back; one that stops sending shows as stalled. And the settings an open
// brings the camera to, read back.
#include "capture_loop.h"

#include <gtest/gtest.h>
#include <simcam/simcam.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

#include "bounded_wait.h"

namespace orvcli {
namespace {

using orvtest::Within10s;

LoopOptions Options(const std::string &dir) {
    LoopOptions options;
    options.node = "/dev/video0";
    ParseSettingText(*FindSetting("size"), "640x480", &options.settings.encoder.values[0]);
    options.record_dir = dir;
    return options;
}

TEST(CaptureLoop, CameraGoneEndsTheRecordingAndIsReopenedWhenBack) {
    simcam::LoadDefaultConfig();
    char dir[] = "/tmp/orv-session-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    FrameHub hub;
    StreamStats stats;
    CaptureLoop loop(Options(dir), &hub, &stats);
    ASSERT_TRUE(loop.Open());
    auto viewer = hub.Join(1000);
    loop.Start();

    ControlRequest record;
    record.op = ControlRequest::Op::kRecord;
    record.on = true;
    const Reply started = loop.Call(record);
    ASSERT_TRUE(started.ok) << started.text;
    const std::string path = started.value;
    ASSERT_TRUE(Within10s([&] { return loop.Status().recording.frames >= 5; }));

    simcam::Unplug("/dev/video0");
    ASSERT_TRUE(Within10s([&] { return loop.Status().state == LoopState::kGone; }));
    const LoopStatus gone = loop.Status();
    EXPECT_EQ("camera gone: waiting for /dev/video0 to come back", gone.message);
    EXPECT_EQ("recording ended: the camera went away", gone.recording.message);
    ASSERT_TRUE(Within10s([&] { return !loop.Status().recording.on; }));
    EXPECT_EQ(0, access(path.c_str(), R_OK)) << "the recording is kept, complete";
    const Reply refused = loop.Call(ControlRequest());
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ("camera gone", refused.text);

    const uint64_t before = stats.Snapshot(0, SteadyMicros()).total_frames;
    simcam::LoadDefaultConfig();  // plugged in again
    ASSERT_TRUE(Within10s([&] {
        const LoopStatus s = loop.Status();
        return s.state == LoopState::kStreaming && s.reopened == 1 &&
               stats.Snapshot(0, SteadyMicros()).total_frames > before + 5;
    }));

    simcam::SetStalled("/dev/video0", true);
    ASSERT_TRUE(Within10s([&] { return loop.Status().state == LoopState::kStalled; }))
        << "a camera that sends nothing is not shown streaming";
    simcam::SetStalled("/dev/video0", false);
    ASSERT_TRUE(Within10s([&] { return loop.Status().state == LoopState::kStreaming; }));
    loop.Stop();
    EXPECT_EQ(LoopState::kStopped, loop.Status().state);
    unlink(path.c_str());
    rmdir(dir);
}

TEST(ReadSettings, GivesWhatOpenBroughtTheCameraTo) {
    simcam::LoadDefaultConfig();
    OpenSettings settings;
    const char *const asked[][2] = {{"size", "1280x720"},  {"framerate", "15"},
                                    {"profile", "main"},   {"rate-control", "vbr"},
                                    {"bitrate", "800000"}, {"iframe-period", "2"}};
    for (const auto &a : asked)
        ASSERT_EQ(
            "", ParseSettingText(*FindSetting(a[0]), a[1], &settings.encoder[*FindSetting(a[0])]));
    OpenCamera camera("/dev/video0", settings);
    ASSERT_GT(camera.fd(), 0);
    const HeldSettings held = ReadSettings(camera.fd(), settings.unit, false);
    for (const auto &a : asked)
        EXPECT_EQ(a[1], held[SettingIndex(*FindSetting(a[0]))]) << a[0];
}

}  // namespace
}  // namespace orvcli
