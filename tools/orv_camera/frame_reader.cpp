#include "frame_reader.h"

#include <cerrno>

#include "camera_device.h"

namespace orvcli {
namespace {

constexpr int kMaxTimeouts = 3;
constexpr int kMaxEmptyReads = 100;

}  // namespace

FrameReader::Result FrameReader::Read(const uint8_t **data, size_t *size) {
    unsigned char *frame = nullptr;
    const int n = read_h264_data(fd_, &frame);
    if (n < 0 && errno == ENODEV)
        return Result::kGone;
    if (n <= 0 || !frame) {
        const bool timed_out = n < 0 && ++timeouts_ >= kMaxTimeouts;
        return timed_out || ++empty_ >= kMaxEmptyReads ? Result::kStalled : Result::kNone;
    }
    timeouts_ = empty_ = 0;
    *data = frame;
    *size = static_cast<size_t>(n);
    return Result::kFrame;
}

}  // namespace orvcli
