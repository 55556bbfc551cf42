#include "recorder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orvcli {
namespace {

// Names tried in one second before the recorder gives up.
constexpr int kNamesPerSecond = 99;

// Creates a file of the recording's name that did not exist: "" with *path set, or why not.
std::string CreateNew(const std::string &dir, std::time_t now, const std::string &format,
                      std::string *path) {
    struct tm local {};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "orv-%Y%m%d-%H%M%S", &local);
    for (int n = 1; n <= kNamesPerSecond; ++n) {
        const std::string name =
            dir + "/" + stamp + (n > 1 ? "-" + std::to_string(n) : "") + "." + format;
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            close(fd);
            *path = name;
            return "";
        }
        if (errno != EEXIST)
            return "cannot create " + name + ": " + std::strerror(errno);
    }
    return std::string("cannot create a recording in ") + dir + ": every name of " + stamp +
           " is taken";
}

}  // namespace

Recorder::Recorder(RecorderOptions options) : options_(std::move(options)) {}

Recorder::~Recorder() {
    Stop("the console stopped");
    if (writer_.joinable())
        writer_.join();
}

std::string Recorder::Start(const std::string &dir, const std::string &format, std::string *path) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (status_.on)
            return taking_ ? "already recording" : "still completing " + status_.path;
    }
    if (writer_.joinable())
        writer_.join();  // done with the last recording: its file is complete
    std::string name;
    std::string why = CreateNew(dir, options_.now(), format, &name);
    if (!why.empty())
        return why;
    std::unique_ptr<FrameOutput> output = options_.open(name, &why);
    if (!output) {
        unlink(name.c_str());  // the empty file made above
        return why;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.clear();
    taking_ = true;
    dropping_ = false;
    idr_wanted_ = true;  // the file starts at an IDR frame: ask for one now
    status_ = RecorderStatus();
    status_.on = true;
    status_.path = name;
    writer_ = std::thread(&Recorder::Write, this, std::move(output));
    *path = name;
    return "";
}

bool Recorder::Stop(const std::string &why) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!taking_)
            return false;
        taking_ = false;
        status_.message = why;
    }
    changed_.notify_all();
    return true;
}

void Recorder::Take(const FramePtr &frame) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!taking_)
            return;
        const bool full = queue_.size() >= options_.capacity;
        if (full || (dropping_ && !frame->idr)) {
            // Behind: this frame and what follows up to an IDR frame with room are lost.
            if (!dropping_ || frame->idr)
                idr_wanted_ = true;  // a new gap, or an IDR frame lost to it
            dropping_ = true;
            ++status_.dropped;
            return;
        }
        dropping_ = false;
        queue_.push_back(frame);
    }
    changed_.notify_all();
}

bool Recorder::TakeIdrRequest() {
    std::lock_guard<std::mutex> lock(mutex_);
    const bool wanted = idr_wanted_;
    idr_wanted_ = false;
    return wanted;
}

RecorderStatus Recorder::Status() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return status_;
}

bool Recorder::WaitComplete(std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, wait, [this] { return !status_.on; });
}

void Recorder::Write(std::unique_ptr<FrameOutput> output) {
    std::string failure;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !queue_.empty() || !taking_; });
        if (queue_.empty())
            break;  // stopped, and all that was queued is written
        const FramePtr frame = queue_.front();
        queue_.pop_front();
        lock.unlock();
        const bool written =
            output->Write(frame->bytes.data(), frame->bytes.size(), frame->arrival_us, &failure);
        lock.lock();
        status_.frames = output->frames();
        if (!written) {
            taking_ = false;
            queue_.clear();
            break;
        }
    }
    lock.unlock();
    std::string incomplete;
    const bool complete = output->Finish(&incomplete);
    lock.lock();
    status_.frames = output->frames();
    if (!failure.empty())
        status_.message = failure;
    else if (!complete)
        status_.message = incomplete;
    status_.on = false;
    lock.unlock();
    changed_.notify_all();
}

}  // namespace orvcli
