#include "capture_loop.h"

#include <chrono>

#include "camera_device.h"
#include "camera_discovery.h"
#include "media/nal_units.h"

namespace orvcli {
namespace {

constexpr auto kReopenEvery = std::chrono::seconds(1);
constexpr auto kAnswerWait = std::chrono::seconds(5);

const char *const kStateNames[] = {"streaming", "stalled", "gone", "stopped"};

}  // namespace

const char *StateName(LoopState state) {
    return kStateNames[static_cast<int>(state)];
}

int64_t SteadyMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

CaptureLoop::CaptureLoop(const LoopOptions &options, FrameHub *hub, StreamStats *stats,
                         RecorderOptions recorder)
    : options_(options),
      wanted_(options.settings.encoder),
      sinks_{hub, &recorder_, &pusher_},
      stats_(stats),
      recorder_(std::move(recorder)) {}

CaptureLoop::~CaptureLoop() {
    Stop();
}

bool CaptureLoop::Open() {
    OpenSettings settings = options_.settings;
    settings.encoder = wanted_;
    camera_.reset(new OpenCamera(options_.node, settings));
    if (camera_->fd() < 0 || !camera_->StartCapture()) {
        camera_.reset();
        return false;
    }
    reader_.reset(new FrameReader(camera_->fd()));
    const HeldSettings held = ReadSettings(camera_->fd(), settings.unit, true);
    std::lock_guard<std::mutex> lock(mutex_);
    held_ = held;
    // A camera reopened after it stalled is stalled until a frame comes.
    if (state_ != LoopState::kStalled) {
        state_ = LoopState::kStreaming;
        message_.clear();
    }
    return true;
}

void CaptureLoop::Report(FILE *out) const {
    HeldSettings held;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        held = held_;
    }
    ReportSettings(out, options_.node + ": ", held, wanted_);
}

void CaptureLoop::Start() {
    thread_ = std::thread([this] { Run(); });
}

void CaptureLoop::Stop() {
    {
        // Under the lock the loop waits with: set between its check and its wait, the flag
        // would go unseen until the next reopen attempt, a second later.
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
    recorder_.Stop("the console stopped");
    pusher_.Stop();
    reader_.reset();
    camera_.reset();
    SetState(LoopState::kStopped, "");
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto &p : pending_)
        p->answer.set_value({false, "the console is stopping", ""});
    pending_.clear();
}

void CaptureLoop::Run() {
    while (!stop_) {
        if (camera_) {
            ReadFrame();
        } else if (Open()) {
            std::lock_guard<std::mutex> lock(mutex_);
            ++reopened_;
        } else {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait_for(lock, kReopenEvery, [this] { return stop_ || !pending_.empty(); });
        }
        Serve();
    }
}

void CaptureLoop::ReadFrame() {
    const uint8_t *data = nullptr;
    size_t size = 0;
    switch (reader_->Read(&data, &size)) {
        case FrameReader::Result::kGone:
            Close(LoopState::kGone, "camera gone: waiting for " + options_.node + " to come back");
            return;
        case FrameReader::Result::kStalled:
            Close(LoopState::kStalled, "no frame from " + options_.node + ": reopening it");
            return;
        case FrameReader::Result::kNone:
            if (reader_->waiting())
                SetState(LoopState::kStalled, "no frame from " + options_.node + " for a second");
            return;
        case FrameReader::Result::kFrame:
            break;
    }
    auto frame = std::make_shared<Frame>();
    frame->seq = ++seq_;
    frame->arrival_us = SteadyMicros();
    frame->bytes.assign(data, data + size);
    frame->idr = IsIdrFrame(data, size);
    SetState(LoopState::kStreaming, "");
    stats_->Add({frame->seq, frame->arrival_us, static_cast<uint32_t>(size), frame->idr});
    bool idr_wanted = false;
    for (FrameSink *sink : sinks_) {
        sink->Take(frame);
        idr_wanted = sink->TakeIdrRequest() || idr_wanted;
    }
    if (idr_wanted && !frame->idr)
        send_uvc_command(options_.settings.unit, camera_->fd(), 0);
}

void CaptureLoop::Close(LoopState state, const std::string &why) {
    recorder_.Stop(state == LoopState::kGone ? "recording ended: the camera went away"
                                             : "recording ended: the camera stopped sending");
    reader_.reset();
    camera_.reset();
    SetState(state, why);
}

void CaptureLoop::SetState(LoopState state, const std::string &message) {
    std::lock_guard<std::mutex> lock(mutex_);
    state_ = state;
    message_ = message;
}

void CaptureLoop::Serve() {
    for (;;) {
        std::shared_ptr<Pending> p;
        HeldSettings held;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (pending_.empty())
                return;
            p = pending_.front();
            pending_.pop_front();
            held = held_;
        }
        LoopContext context{camera_ ? camera_->fd() : -1,
                            options_.settings.unit,
                            options_.node,
                            seq_,
                            wanted_,
                            held,
                            recorder_,
                            pusher_,
                            options_.record_dir};
        const Reply reply = RunOperation(context, p->request);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            held_ = held;
        }
        p->answer.set_value(reply);
    }
}

Reply CaptureLoop::Call(const ControlRequest &request) {
    auto p = std::make_shared<Pending>();
    p->request = request;
    std::future<Reply> answer = p->answer.get_future();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stop_)
            return {false, "the console is stopping", ""};
        pending_.push_back(p);
    }
    wake_.notify_all();
    if (answer.wait_for(kAnswerWait) != std::future_status::ready)
        return {false, "no answer from the capture thread", ""};
    return answer.get();
}

LoopStatus CaptureLoop::Status() const {
    LoopStatus status;
    status.recording = recorder_.Status();
    status.push = pusher_.Status();
    std::lock_guard<std::mutex> lock(mutex_);
    status.state = state_;
    status.message = message_;
    status.reopened = reopened_;
    status.settings = held_;
    return status;
}

}  // namespace orvcli
