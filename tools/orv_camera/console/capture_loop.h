// The camera behind the console: one thread opens it, reads its frames, hands them to the
// viewers, the statistics and the recording, and runs the page's requests between two reads
// (the library keeps all operations on one device on one thread). When the camera goes away
// it is closed, and reopened with the settings last accepted once it comes back.
#pragma once

#include <stdint.h>

#include <stdio.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

#include "control_request.h"
#include "frame_hub.h"
#include "media/frame_output.h"
#include "open_camera.h"
#include "stream_stats.h"

namespace orvcli {

struct SessionOptions {
    std::string node;
    OpenSettings settings;
    std::string record_dir = ".";
};

// Microseconds on the steady clock (the frames' arrival times).
int64_t SteadyMicros();

class CameraSession {
  public:
    CameraSession(const SessionOptions &options, FrameHub *hub, StreamStats *stats);
    ~CameraSession();
    CameraSession(const CameraSession &) = delete;
    CameraSession &operator=(const CameraSession &) = delete;

    // Opens the camera and starts streaming on the caller's thread; false when it cannot.
    bool Open();
    // The settings in force on one line of `out`, with a warning for each the camera changed.
    void Report(FILE *out) const;
    // The capture thread, until Stop.
    void Start();
    void Stop();

    // Runs `request` on the capture thread and gives its answer: {"ok", "answer" or "error",
    // "value" (read back)}.
    nlohmann::json Call(const ControlRequest &request);
    // {"state": "streaming"|"gone"|"stopped", "message", "settings" (in force), "recording"}.
    nlohmann::json Status() const;

  private:
    struct Pending {
        ControlRequest request;
        std::promise<nlohmann::json> answer;
    };
    void Run();
    void ReadFrame();
    void Close(const std::string &why);
    void Serve();
    nlohmann::json Execute(const ControlRequest &r);
    nlohmann::json Set(const ControlRequest &r);
    nlohmann::json Record(const ControlRequest &r);
    void StopRecording(const std::string &why);
    void ReadBack();

    const SessionOptions options_;
    OpenSettings wanted_;  // the settings a reopen brings the camera to
    FrameHub *hub_;
    StreamStats *stats_;
    std::unique_ptr<OpenCamera> camera_;
    std::unique_ptr<FrameOutput> recording_;
    int failures_ = 0;
    uint64_t seq_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};

    mutable std::mutex mutex_;  // guards what follows
    std::condition_variable wake_;
    std::deque<std::shared_ptr<Pending>> pending_;
    std::string state_ = "stopped";
    std::string message_;
    HeldSettings held_;
    bool recording_on_ = false;
    std::string record_path_;
    int64_t record_frames_ = 0;
    std::string record_message_;
    int reopened_ = 0;
};

}  // namespace orvcli
