// The frames of a streaming camera, and what a run of reads without a frame means: each read
// waits up to a second; three that time out in a row, or a hundred without a frame, and the
// camera counts as lost; one that reports the node gone (ENODEV) counts as gone at once.
// capture and the console's capture loop read through it alike.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace orvcli {

class FrameReader {
  public:
    enum class Result {
        kFrame,    // *data, *size hold the frame (valid until the next read)
        kNone,     // no frame this time; read again
        kStalled,  // too many reads in a row without a frame
        kGone,     // the node went away
    };
    explicit FrameReader(int fd) : fd_(fd) {}
    Result Read(const uint8_t **data, size_t *size);
    // A read timed out since the last frame: the camera sends nothing for now.
    bool waiting() const { return timeouts_ > 0; }

  private:
    int fd_;
    int timeouts_ = 0;
    int empty_ = 0;
};

}  // namespace orvcli
