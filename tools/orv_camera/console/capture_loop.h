// The camera behind the console: one thread opens it, reads its frames and hands each to the
// sinks (the viewers, the statistics, the recorder, a push), and runs the page's requests between
// two reads (the library keeps all operations on one device on one thread). A camera that stops
// sending is "stalled" while it is closed and reopened; one that goes away is "gone" and is
// reopened, with the settings last accepted, once it comes back.
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
#include <vector>

#include "control_request.h"
#include "frame_hub.h"
#include "frame_reader.h"
#include "open_camera.h"
#include "push_sink.h"
#include "recorder.h"
#include "stream_stats.h"

namespace orvcli {

struct LoopOptions {
    std::string node;
    OpenSettings settings;
    std::string record_dir = ".";
};

enum class LoopState { kStreaming, kStalled, kGone, kStopped };
// "streaming", "stalled", "gone", "stopped".
const char *StateName(LoopState state);

struct LoopStatus {
    LoopState state = LoopState::kStopped;
    std::string message;
    int reopened = 0;
    HeldSettings settings;  // in force, per row of SettingRows()
    RecorderStatus recording;
    PushStatus push;
};

// The answer to a request: accepted (`text` says how) or refused (`text` says why), and the
// value read back, where there is one.
struct Reply {
    bool ok = false;
    std::string text;
    std::string value;
};

// What an operation works on (loop_operations.cpp), on the loop's thread.
struct LoopContext {
    int fd;  // -1 while the camera is away
    int unit;
    const std::string &node;
    uint64_t last_seq;        // the last frame read
    EncoderSettings &wanted;  // what a reopen brings the camera to
    HeldSettings &held;       // the settings in force, read back after a change
    Recorder &recorder;
    PushSink &pusher;
    const std::string &record_dir;
};
Reply RunOperation(LoopContext &context, const ControlRequest &request);

// Microseconds on the steady clock (the frames' arrival times).
int64_t SteadyMicros();

class CaptureLoop {
  public:
    CaptureLoop(const LoopOptions &options, FrameHub *hub, StreamStats *stats,
                RecorderOptions recorder = {});
    ~CaptureLoop();
    CaptureLoop(const CaptureLoop &) = delete;
    CaptureLoop &operator=(const CaptureLoop &) = delete;

    // Opens the camera and starts streaming on the caller's thread; false when it cannot.
    bool Open();
    // The settings in force on one line of `out`, with a warning for each the camera changed.
    void Report(FILE *out) const;
    // Another sink for every frame (before Start): the RTSP server of serve.
    void AddSink(FrameSink *sink) { sinks_.push_back(sink); }
    // The loop's thread, until Stop.
    void Start();
    void Stop();

    // Runs `request` on the loop's thread and gives its answer.
    Reply Call(const ControlRequest &request);
    LoopStatus Status() const;

  private:
    struct Pending {
        ControlRequest request;
        std::promise<Reply> answer;
    };
    void Run();
    void ReadFrame();
    void Close(LoopState state, const std::string &why);
    void Serve();
    void SetState(LoopState state, const std::string &message);

    const LoopOptions options_;
    EncoderSettings wanted_;  // the settings a reopen brings the camera to
    std::vector<FrameSink *> sinks_;
    StreamStats *stats_;
    Recorder recorder_;
    PushSink pusher_;
    std::unique_ptr<OpenCamera> camera_;
    std::unique_ptr<FrameReader> reader_;
    uint64_t seq_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};

    mutable std::mutex mutex_;  // guards what follows
    std::condition_variable wake_;
    std::deque<std::shared_ptr<Pending>> pending_;
    LoopState state_ = LoopState::kStopped;
    std::string message_;
    HeldSettings held_;
    int reopened_ = 0;
};

}  // namespace orvcli
