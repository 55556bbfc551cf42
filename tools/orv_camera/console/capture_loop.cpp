#include "capture_loop.h"

#include <cerrno>
#include <chrono>
#include <ctime>

#include "camera_device.h"
#include "camera_discovery.h"
#include "media/nal_units.h"

namespace orvcli {
namespace {

using Json = nlohmann::json;

// Reads that gave no frame in a row before a camera that stopped sending counts as gone (each
// failed read waits up to a second); one that went away says so at once (ENODEV).
constexpr int kMaxFailures = 3;
constexpr int kMaxEmpty = 100;
constexpr auto kReopenEvery = std::chrono::seconds(1);
constexpr auto kAnswerWait = std::chrono::seconds(5);

Json Answer(bool ok, const std::string &refusal) {
    Json j = {{"ok", ok}};
    if (ok)
        j["answer"] = "accepted";
    else
        j["error"] = refusal;
    return j;
}

// A setting in force: the encoder's own size and frame rate where it answers.
std::string HeldValue(const HeldSettings &h, const std::string &key) {
    if (key == "size")
        return h.encoder_size.empty() ? h.size : h.encoder_size;
    if (key == "framerate")
        return h.encoder_framerate.empty() ? h.framerate : h.encoder_framerate;
    if (key == "bitrate")
        return h.bitrate;
    if (key == "profile")
        return h.profile;
    if (key == "rate_control")
        return h.rate_control;
    return h.iframe_period;
}

std::string RecordName(const std::string &dir, const std::string &format) {
    const std::time_t now = std::time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    char name[64];
    std::strftime(name, sizeof name, "orv-%Y%m%d-%H%M%S.", &local);
    return dir + "/" + name + format;
}

// The request's value as ReadSettings names it.
HeldSettings Asked(const ControlRequest &r) {
    HeldSettings h;
    const std::string value = std::to_string(r.a);
    h.size = value + "x" + std::to_string(r.b);
    h.framerate = h.bitrate = h.iframe_period = value;
    for (const auto &c : ProfileNames())
        if (c.second == r.a)
            h.profile = c.first;
    for (const auto &c : RateControlNames())
        if (c.second == r.a)
            h.rate_control = c.first;
    return h;
}

}  // namespace

int64_t SteadyMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

CameraSession::CameraSession(const SessionOptions &options, FrameHub *hub, StreamStats *stats)
    : options_(options), wanted_(options.settings), hub_(hub), stats_(stats) {}

CameraSession::~CameraSession() {
    Stop();
}

bool CameraSession::Open() {
    camera_.reset(new OpenCamera(options_.node, wanted_));
    if (camera_->fd() < 0 || !camera_->StartCapture()) {
        camera_.reset();
        return false;
    }
    failures_ = 0;
    std::lock_guard<std::mutex> lock(mutex_);
    state_ = "streaming";
    message_.clear();
    held_ = ReadSettings(camera_->fd(), wanted_.unit);
    return true;
}

void CameraSession::Report(FILE *out) const {
    if (camera_)
        ReportSettings(out, options_.node + ": ", camera_->fd(), wanted_);
}

void CameraSession::Start() {
    thread_ = std::thread([this] { Run(); });
}

void CameraSession::Stop() {
    {
        // Under the lock the capture thread waits with: set between its check and its wait, the
        // flag would go unseen until the next reopen attempt, a second later.
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
    StopRecording("the console stopped");
    camera_.reset();
    std::lock_guard<std::mutex> lock(mutex_);
    state_ = "stopped";
    for (auto &p : pending_)
        p->answer.set_value(Answer(false, "the console is stopping"));
    pending_.clear();
}

void CameraSession::Run() {
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

void CameraSession::ReadFrame() {
    unsigned char *data = nullptr;
    const int n = read_h264_data(camera_->fd(), &data);
    if (n < 0 && errno == ENODEV) {
        Close("camera gone: waiting for " + options_.node + " to come back");
        return;
    }
    if (n <= 0 || !data) {
        if (n < 0 ? ++failures_ >= kMaxFailures : ++failures_ >= kMaxEmpty)
            Close("camera gone: waiting for " + options_.node + " to come back");
        return;
    }
    failures_ = 0;
    auto frame = std::make_shared<Frame>();
    frame->seq = ++seq_;
    frame->arrival_us = SteadyMicros();
    frame->bytes.assign(data, data + n);
    frame->idr = IsIdrFrame(data, static_cast<size_t>(n));
    stats_->Add({frame->seq, frame->arrival_us, static_cast<uint32_t>(n), frame->idr});
    if (recording_) {
        std::string why;
        if (!recording_->Write(data, static_cast<size_t>(n), frame->arrival_us, &why))
            StopRecording(why);
        else {
            std::lock_guard<std::mutex> lock(mutex_);
            record_frames_ = recording_->frames();
        }
    }
    hub_->Publish(frame);
    if (hub_->TakeIdrRequest() && !frame->idr)
        send_uvc_command(wanted_.unit, camera_->fd(), 0);
}

void CameraSession::Close(const std::string &why) {
    StopRecording("recording ended: the camera went away");
    camera_.reset();
    std::lock_guard<std::mutex> lock(mutex_);
    state_ = "gone";
    message_ = why;
}

void CameraSession::Serve() {
    for (;;) {
        std::shared_ptr<Pending> p;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (pending_.empty())
                return;
            p = pending_.front();
            pending_.pop_front();
        }
        p->answer.set_value(Execute(p->request));
    }
}

Json CameraSession::Call(const ControlRequest &request) {
    auto p = std::make_shared<Pending>();
    p->request = request;
    std::future<Json> answer = p->answer.get_future();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stop_)
            return Answer(false, "the console is stopping");
        pending_.push_back(p);
    }
    wake_.notify_all();
    if (answer.wait_for(kAnswerWait) != std::future_status::ready)
        return Answer(false, "no answer from the capture thread");
    return answer.get();
}

Json CameraSession::Execute(const ControlRequest &r) {
    using Op = ControlRequest::Op;
    if (r.op == Op::kRecord && !r.on) {
        if (!recording_)
            return Answer(false, "not recording");
        StopRecording("");
        std::lock_guard<std::mutex> lock(mutex_);
        Json j = Answer(record_message_.empty(), record_message_);
        j["value"] = record_path_;
        return j;
    }
    if (!camera_)
        return Answer(false, "camera gone");
    const int fd = camera_->fd();
    const int unit = wanted_.unit;
    const char *node = options_.node.c_str();
    Json j;
    switch (r.op) {
        case Op::kSet:
            return Set(r);
        case Op::kIFrame:
            j = Answer(send_uvc_command(unit, fd, 0) == 0, "refused by the camera");
            j["value"] = seq_;  // the last frame before the request
            return j;
        case Op::kPtz: {
            const int result = r.speed == 0
                                   ? stop_ptz(fd, static_cast<unsigned>(r.movement))
                                   : start_ptz(fd, static_cast<unsigned>(r.movement), r.speed);
            j = Answer(result == 0, "refused by the camera");
            j["value"] = r.speed == 0 ? "stopped" : "moving at " + std::to_string(r.speed);
            return j;
        }
        case Op::kOsd:
        case Op::kMenu: {
            const int result = r.op == Op::kOsd ? send_osd_command_by_dev_name(node, r.command)
                                                : send_menu_command_by_dev_name(node, r.command);
            j = Answer(result >= 0, "refused by the camera");
            j["value"] = get_osd_status_by_dev_name(node);
            return j;
        }
        case Op::kOsdStatus:
        case Op::kHdmi: {
            const int value = r.op == Op::kHdmi ? camera_get_hdmiin_state(node)
                                                : get_osd_status_by_dev_name(node);
            j = Answer(value >= 0, "cannot be read");
            if (value >= 0)
                j["value"] = value;
            return j;
        }
        case Op::kRecord:
            return Record(r);
    }
    return Answer(false, "unknown request");
}

Json CameraSession::Set(const ControlRequest &r) {
    const int fd = camera_->fd();
    const int unit = wanted_.unit;
    int result = -1;
    if (r.key == "size")
        result = update_resolution(unit, fd, r.a, r.b);
    else if (r.key == "framerate")
        result = update_framerate(unit, fd, r.a);
    else if (r.key == "bitrate")
        result = update_bitrate(unit, fd, r.a);
    else if (r.key == "profile")
        result = update_profile(unit, fd, r.a);
    else if (r.key == "rate_control")
        result = update_rate_control_mode(unit, fd, r.a);
    else if (r.key == "iframe_period")
        result = update_iframe_period(unit, fd, r.a);
    // A container holds one picture size: the recording ends complete before the new one.
    if (result == 0 && r.key == "size")
        StopRecording("recording ended: the frame size changed");
    if (result == 0) {
        if (r.key == "size")
            wanted_.size = std::to_string(r.a) + "x" + std::to_string(r.b);
        else if (r.key == "framerate")
            wanted_.framerate = r.a;
        else if (r.key == "bitrate")
            wanted_.bitrate = r.a;
        else if (r.key == "profile")
            wanted_.profile = r.a;
        else if (r.key == "rate_control")
            wanted_.rate_control_mode = r.a;
        else
            wanted_.iframe_period = r.a;
    }
    ReadBack();
    Json j = Answer(result == 0, "refused by the camera");
    std::lock_guard<std::mutex> lock(mutex_);
    j["value"] = HeldValue(held_, r.key);
    // Accepted, yet the camera reads back something else: say so rather than hide it.
    if (result == 0 && !HeldValue(held_, r.key).empty() &&
        HeldValue(held_, r.key) != HeldValue(Asked(r), r.key))
        j["answer"] = "accepted, but the camera holds another value";
    return j;
}

Json CameraSession::Record(const ControlRequest &r) {
    if (recording_)
        return Answer(false, "already recording");
    const std::string path = RecordName(options_.record_dir, r.format);
    std::string why;
    recording_ = OpenContainer(path, &why);
    if (!recording_)
        return Answer(false, why);
    // The recording starts at an IDR frame: ask for one now rather than wait for the period.
    send_uvc_command(wanted_.unit, camera_->fd(), 0);
    std::lock_guard<std::mutex> lock(mutex_);
    recording_on_ = true;
    record_path_ = path;
    record_frames_ = 0;
    record_message_.clear();
    Json j = Answer(true, "");
    j["value"] = path;
    return j;
}

void CameraSession::StopRecording(const std::string &why) {
    if (!recording_)
        return;
    std::string failure;
    const bool ok = recording_->Finish(&failure);
    const int64_t frames = recording_->frames();
    recording_.reset();
    std::lock_guard<std::mutex> lock(mutex_);
    recording_on_ = false;
    record_frames_ = frames;
    record_message_ = !ok ? failure : why;
}

void CameraSession::ReadBack() {
    const HeldSettings held = ReadSettings(camera_->fd(), wanted_.unit);
    std::lock_guard<std::mutex> lock(mutex_);
    held_ = held;
}

Json CameraSession::Status() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return {{"state", state_},
            {"message", message_},
            {"reopened", reopened_},
            {"settings",
             {{"size", HeldValue(held_, "size")},
              {"framerate", HeldValue(held_, "framerate")},
              {"profile", held_.profile},
              {"rate_control", held_.rate_control},
              {"bitrate", held_.bitrate},
              {"iframe_period", held_.iframe_period}}},
            {"recording",
             {{"on", recording_on_},
              {"path", record_path_},
              {"frames", record_frames_},
              {"message", record_message_}}}};
}

}  // namespace orvcli
