#include "stream_push.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "av_output.h"
#include "feed_gate.h"
#include "nal_units.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
}

namespace orvcli {
namespace {

using Clock = std::chrono::steady_clock;

// Frames that may wait for the network (two seconds at 30 fps).
constexpr size_t kQueueFrames = 60;
// The pause before a reconnection grows from the first to the last.
constexpr auto kFirstPause = std::chrono::milliseconds(500);
constexpr auto kLastPause = std::chrono::milliseconds(8000);
// No connect or write blocks longer.
constexpr auto kIoLimit = std::chrono::seconds(5);
// The camera is asked for an IDR frame at most this often.
constexpr auto kIdrRequestEvery = std::chrono::seconds(1);

constexpr AVRational kMicroseconds = {1, 1000000};

struct QueuedFrame {
    std::vector<uint8_t> bytes;
    int64_t arrival_us;
    bool idr;
};

class StreamPush : public FrameOutput {
  public:
    StreamPush(const std::string &url, const char *format, IdrRequest request_idr)
        : url_(url),
          format_(format),
          request_idr_(std::move(request_idr)),
          gate_(kQueueFrames),
          thread_([this] { Run(); }) {}
    ~StreamPush() override {
        std::string ignored;
        Finish(&ignored);
    }

    bool Write(const uint8_t *data, size_t size, int64_t arrival_us, std::string *) override {
        const bool idr = IsIdrFrame(data, size);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            // Before the first IDR frame, or behind and dropping up to the next one.
            if (!gate_.Admit(idr, queue_.size())) {
                if (gate_.waiting_idr())
                    AskForIdr();
                return true;
            }
            queue_.push_back({std::vector<uint8_t>(data, data + size), arrival_us, idr});
        }
        wake_.notify_one();
        return true;
    }

    bool Finish(std::string *why) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (finished_)
                return sent_ > 0;
            finished_ = stop_ = true;
        }
        wake_.notify_one();
        thread_.join();
        Disconnect();
        if (sent_ == 0) {
            *why = "no frame reached " + url_;
            return false;
        }
        return true;
    }

    // Frames go out as they are sent: nothing waits in a buffer of this side.
    bool Flush(std::string *) override { return true; }
    int64_t frames() const override { return sent_; }
    int64_t bytes() const override { return sent_bytes_; }

  private:
    // The pushing thread: connects at an IDR frame, sends, and after a failure waits a growing
    // pause before it tries again, dropping what the capture meanwhile hands over.
    void Run() {
        std::chrono::milliseconds pause = kFirstPause;
        Clock::time_point retry_at = Clock::now();
        // Says what failed, and when the next try is.
        auto retry_later = [&](const char *what, const std::string &why) {
            std::fprintf(stderr, "orv-camera: %s %s: %s; trying again in %.1f s\n", what,
                         url_.c_str(), why.c_str(), pause.count() / 1000.0);
            retry_at = Clock::now() + pause;
            pause = std::min(pause * 2, std::chrono::milliseconds(kLastPause));
        };
        for (;;) {
            QueuedFrame frame;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
                if (stop_)
                    return;
                frame = std::move(queue_.front());
                queue_.pop_front();
            }
            std::string why;
            if (!ctx_) {
                if (Clock::now() < retry_at)
                    continue;
                if (!frame.idr) {
                    std::lock_guard<std::mutex> lock(mutex_);
                    AskForIdr();
                    continue;
                }
                if (!Connect(frame, &why)) {
                    retry_later("cannot push to", why);
                    continue;
                }
                std::fprintf(stderr, "orv-camera: pushing to %s\n", url_.c_str());
            }
            if (!Send(frame, &why)) {
                Disconnect();
                retry_later("push lost to", why);
                continue;
            }
            pause = kFirstPause;
        }
    }

    // Waiting for an IDR frame (to connect at, or to start again at): the camera's owner is
    // asked for one. Called with mutex_ held.
    void AskForIdr() {
        const Clock::time_point now = Clock::now();
        if (!request_idr_ ||
            (idr_asked_ != Clock::time_point() && now - idr_asked_ < kIdrRequestEvery))
            return;
        idr_asked_ = now;
        request_idr_();
    }

    static int Interrupt(void *self) {
        auto *push = static_cast<StreamPush *>(self);
        return push->stop_ || Clock::now() > push->io_deadline_.load() ? 1 : 0;
    }

    bool Connect(const QueuedFrame &frame, std::string *why) {
        const std::string sets = ParameterSets(frame.bytes.data(), frame.bytes.size());
        int width = 0, height = 0;
        if (sets.empty() || !PictureSize(frame.bytes.data(), frame.bytes.size(), &width, &height)) {
            *why = "the IDR frame carries no SPS";
            return false;
        }
        io_deadline_ = Clock::now() + kIoLimit;
        int r = avformat_alloc_output_context2(&ctx_, nullptr, format_, url_.c_str());
        if (r < 0 || !ctx_) {
            *why = AvError(r);
            return false;
        }
        ctx_->interrupt_callback = {&StreamPush::Interrupt, this};
        if (!AddH264Stream(ctx_, sets, width, height)) {
            *why = "out of memory";
            Disconnect();
            return false;
        }
        AVDictionary *options = nullptr;
        av_dict_set(&options, "rtsp_transport", "tcp", 0);
        if (!(ctx_->oformat->flags & AVFMT_NOFILE)) {
            r = avio_open2(&ctx_->pb, url_.c_str(), AVIO_FLAG_WRITE, &ctx_->interrupt_callback,
                           &options);
            if (r < 0) {
                av_dict_free(&options);
                *why = AvError(r);
                Disconnect();
                return false;
            }
        }
        r = avformat_write_header(ctx_, &options);
        av_dict_free(&options);
        if (r < 0) {
            *why = AvError(r);
            Disconnect();
            return false;
        }
        header_written_ = true;
        first_us_ = frame.arrival_us;
        last_pts_ = -1;
        return true;
    }

    bool Send(const QueuedFrame &frame, std::string *why) {
        AVPacket *packet = av_packet_alloc();
        if (!packet || av_new_packet(packet, static_cast<int>(frame.bytes.size())) < 0) {
            av_packet_free(&packet);
            *why = "out of memory";
            return false;
        }
        std::memcpy(packet->data, frame.bytes.data(), frame.bytes.size());
        AVStream *st = ctx_->streams[0];
        int64_t pts = av_rescale_q(frame.arrival_us - first_us_, kMicroseconds, st->time_base);
        if (pts <= last_pts_)
            pts = last_pts_ + 1;
        last_pts_ = pts;
        packet->pts = packet->dts = pts;
        packet->stream_index = 0;
        if (frame.idr)
            packet->flags |= AV_PKT_FLAG_KEY;
        io_deadline_ = Clock::now() + kIoLimit;
        const int r = av_write_frame(ctx_, packet);
        av_packet_free(&packet);
        if (r < 0) {
            *why = AvError(r);
            return false;
        }
        ++sent_;
        sent_bytes_ += static_cast<int64_t>(frame.bytes.size());
        return true;
    }

    void Disconnect() {
        if (!ctx_)
            return;
        if (header_written_) {
            io_deadline_ = Clock::now() + kIoLimit;
            av_write_trailer(ctx_);
        }
        if (!(ctx_->oformat->flags & AVFMT_NOFILE))
            avio_closep(&ctx_->pb);
        avformat_free_context(ctx_);
        ctx_ = nullptr;
        header_written_ = false;
    }

    const std::string url_;
    const char *const format_;
    const IdrRequest request_idr_;

    std::mutex mutex_;  // guards what follows
    std::condition_variable wake_;
    std::deque<QueuedFrame> queue_;
    FeedGate gate_;
    bool finished_ = false;
    Clock::time_point idr_asked_;
    std::atomic<bool> stop_{false};

    // The pushing thread's own.
    AVFormatContext *ctx_ = nullptr;
    bool header_written_ = false;
    int64_t first_us_ = 0;
    int64_t last_pts_ = -1;
    std::atomic<Clock::time_point> io_deadline_{Clock::time_point()};
    std::atomic<int64_t> sent_{0};
    std::atomic<int64_t> sent_bytes_{0};

    std::thread thread_;  // last: it starts once everything above is ready
};

}  // namespace

std::unique_ptr<FrameOutput> OpenPush(const std::string &url, std::string *why,
                                      IdrRequest request_idr) {
    const char *format = PushFormat(url);
    if (!format || !av_guess_format(format, nullptr, nullptr)) {
        *why = "cannot push to " + url + ": this libavformat has no " +
               (format ? format : "muxer for it");
        return nullptr;
    }
    avformat_network_init();
    // Each failure is said once, in the tool's own words with libavformat's reason.
    av_log_set_level(AV_LOG_QUIET);
    return std::make_unique<StreamPush>(url, format, std::move(request_idr));
}

}  // namespace orvcli
