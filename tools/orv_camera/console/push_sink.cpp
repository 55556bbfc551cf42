#include "push_sink.h"

#include "media/stream_push.h"

namespace orvcli {

std::string PushSink::Start(const std::string &url) {
    if (!IsPushUrl(url))
        return "cannot push to '" + url + "': not an rtsp://, srt:// or rtmp:// URL";
    std::string why;
    std::unique_ptr<FrameOutput> push = OpenPush(url, &why, [this] { idr_wanted_ = true; });
    if (!push)
        return why;
    Stop();
    std::lock_guard<std::mutex> lock(mutex_);
    push_ = std::move(push);
    url_ = url;
    frames_ = 0;
    return "";
}

bool PushSink::Stop() {
    std::unique_ptr<FrameOutput> push;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        push = std::move(push_);
        if (push)
            frames_ = push->frames();
    }
    if (!push)
        return false;
    std::string ignored;  // a push that sent nothing says so on stderr, as it tries
    push->Finish(&ignored);
    std::lock_guard<std::mutex> lock(mutex_);
    frames_ = push->frames();
    return true;
}

void PushSink::Take(const FramePtr &frame) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string ignored;  // a push never fails a write: it drops and reconnects
    if (push_)
        push_->Write(frame->bytes.data(), frame->bytes.size(), frame->arrival_us, &ignored);
}

PushStatus PushSink::Status() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return {push_ != nullptr, url_, push_ ? push_->frames() : frames_};
}

}  // namespace orvcli
