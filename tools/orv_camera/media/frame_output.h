// Where captured frames go besides a raw .h264 file: a container (MP4, Matroska) whose
// timestamps are the frames' arrival times, so that any player plays it at the pace it was
// captured.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <memory>
#include <string>

namespace orvcli {

class FrameOutput {
  public:
    virtual ~FrameOutput() = default;
    // Adds one Annex B frame that arrived at `arrival_us` (any steady clock, microseconds).
    // Frames before the first IDR frame are skipped (a player could not decode them). False
    // with *why set when the file cannot be written.
    virtual bool Write(const uint8_t *data, size_t size, int64_t arrival_us, std::string *why) = 0;
    // Completes the file (its index). False with *why set when it cannot be completed or no
    // frame could be recorded; the file is then removed when it holds nothing.
    virtual bool Finish(std::string *why) = 0;
    // Frames written so far.
    virtual int64_t frames() const = 0;
};

// True for the names a container is written to: *.mp4, *.mkv (any case).
bool IsContainerPath(const std::string &path);

// Creates the container file at `path` (its kind from its extension); null with *why set when
// it cannot be created. Nothing is written to it before the first IDR frame.
std::unique_ptr<FrameOutput> OpenContainer(const std::string &path, std::string *why);

}  // namespace orvcli
