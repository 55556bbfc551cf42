// FrameOutput of the raw H.264 elementary stream: the frames as they came, gathered into large
// writes (one write per frame would cost a system call each).
#include <vector>

#include "file_sink.h"
#include "frame_output.h"

namespace orvcli {
namespace {

constexpr size_t kGather = 1 << 20;

class RawWriter : public FrameOutput {
  public:
    RawWriter(int fd, const std::string &name) : sink_(fd, name) { buffer_.reserve(kGather); }

    bool Write(const uint8_t *data, size_t size, int64_t, std::string *why) override {
        if (buffer_.size() + size > kGather && !Flush(why))
            return false;
        if (size >= kGather) {
            if (!sink_.Write(data, size, why))
                return false;
        } else {
            buffer_.insert(buffer_.end(), data, data + size);
        }
        ++frames_;
        return true;
    }

    bool Flush(std::string *why) override {
        const bool ok = sink_.Write(buffer_.data(), buffer_.size(), why);
        buffer_.clear();
        return ok;
    }

    bool Finish(std::string *why) override {
        const bool flushed = Flush(why);
        return sink_.Close(why) && flushed;
    }

    int64_t frames() const override { return frames_; }
    int64_t bytes() const override { return sink_.accepted(); }

  private:
    FileSink sink_;
    std::vector<uint8_t> buffer_;
    int64_t frames_ = 0;
};

}  // namespace

std::unique_ptr<FrameOutput> OpenRawOutput(int fd, const std::string &name) {
    return std::unique_ptr<FrameOutput>(new RawWriter(fd, name));
}

}  // namespace orvcli
