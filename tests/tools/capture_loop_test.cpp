// The console's camera session on the simulated camera: a camera that goes away mid-recording
// ends the recording complete, answers requests with "camera gone", and is reopened with its
// stream when it comes back.
#include "capture_loop.h"

#include <gtest/gtest.h>
#include <simcam/simcam.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

namespace orvcli {
namespace {

using Json = nlohmann::json;

// Polls `done` until it holds; false after 10 s.
bool Within10s(const std::function<bool()> &done) {
    for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
         std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(std::chrono::milliseconds(20)))
        if (done())
            return true;
    return false;
}

TEST(CameraSession, CameraGoneEndsTheRecordingAndIsReopenedWhenBack) {
    simcam::LoadDefaultConfig();
    char dir[] = "/tmp/orv-session-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    SessionOptions options;
    options.node = "/dev/video0";
    options.settings.size = "640x480";
    options.record_dir = dir;
    FrameHub hub;
    StreamStats stats;
    CameraSession session(options, &hub, &stats);
    ASSERT_TRUE(session.Open());
    auto viewer = hub.Join(1000);
    session.Start();

    ControlRequest record;
    record.op = ControlRequest::Op::kRecord;
    record.on = true;
    const Json started = session.Call(record);
    ASSERT_TRUE(started["ok"].get<bool>()) << started;
    const std::string path = started["value"].get<std::string>();
    ASSERT_TRUE(Within10s([&] { return session.Status()["recording"]["frames"].get<int>() >= 5; }));

    simcam::Unplug("/dev/video0");
    ASSERT_TRUE(Within10s([&] { return session.Status()["state"] == "gone"; }));
    const Json gone = session.Status();
    EXPECT_EQ("camera gone: waiting for /dev/video0 to come back", gone["message"]);
    EXPECT_FALSE(gone["recording"]["on"].get<bool>());
    EXPECT_EQ("recording ended: the camera went away", gone["recording"]["message"]);
    EXPECT_EQ(0, access(path.c_str(), R_OK)) << "the recording is kept, complete";
    ControlRequest iframe;
    const Json refused = session.Call(iframe);
    EXPECT_FALSE(refused["ok"].get<bool>());
    EXPECT_EQ("camera gone", refused["error"]);

    const uint64_t before = stats.Snapshot(0, SteadyMicros()).total_frames;
    simcam::LoadDefaultConfig();  // plugged in again
    ASSERT_TRUE(Within10s([&] {
        const Json s = session.Status();
        return s["state"] == "streaming" && s["reopened"] == 1 &&
               stats.Snapshot(0, SteadyMicros()).total_frames > before + 5;
    })) << session.Status();
    session.Stop();
    EXPECT_EQ("stopped", session.Status()["state"]);
    unlink(path.c_str());
    rmdir(dir);
}

}  // namespace
}  // namespace orvcli
