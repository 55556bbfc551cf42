// Where captured frames go: a raw H.264 elementary stream, or a container (MP4, Matroska) whose
// timestamps are the frames' arrival times, so that any player plays it at the pace it was
// captured. Each writer counts the bytes its file accepted, so that a failed write can say how
// much of the capture reached the disk.
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
    // A container skips frames before the first IDR frame (a player could not decode them).
    // False with *why set when the file cannot be written.
    virtual bool Write(const uint8_t *data, size_t size, int64_t arrival_us, std::string *why) = 0;
    // Hands what is buffered to the file (a reader of a pipe sees it now).
    virtual bool Flush(std::string *why) = 0;
    // Completes the file (its index) and closes it. False with *why set when it cannot be
    // completed or no frame could be recorded.
    virtual bool Finish(std::string *why) = 0;
    // Frames written so far.
    virtual int64_t frames() const = 0;
    // Bytes the file accepted so far.
    virtual int64_t bytes() const = 0;
};

// What a capture writes to a name, from its extension (any case): MP4 (.mp4), Matroska (.mkv),
// raw H.264 (.h264, .264, any other name), or a container the tool does not write (.avi, .mov,
// .ts, .webm and the like), which is refused rather than filled with raw H.264.
enum class OutputKind { kRaw, kMp4, kMatroska, kUnsupported };
OutputKind KindOf(const std::string &path);
// True for the names a container is written to: *.mp4, *.mkv.
bool IsContainerPath(const std::string &path);

// Raw H.264 into `fd` (owned by the writer from now on), gathered into large writes; `name`
// is the file's name in messages.
std::unique_ptr<FrameOutput> OpenRawOutput(int fd, const std::string &name);

// A container into `fd` (owned by the writer from now on), its kind from `name`'s extension;
// null with *why set when it cannot be started. Nothing is written before the first IDR frame.
// MP4 is written in fragments from the start, so whatever reached the disk plays, even when the
// disk filled up before the end.
std::unique_ptr<FrameOutput> OpenContainerOutput(int fd, const std::string &name, std::string *why);

// A container in the new, empty file at `path`, which the caller created for it (exclusively,
// so that no earlier file is overwritten); the file is removed again when no frame could be
// recorded in it.
std::unique_ptr<FrameOutput> OpenContainer(const std::string &path, std::string *why);

}  // namespace orvcli
