// Counting a capture: frames, bytes and time, and the lines that report them.
#pragma once

#include <stdint.h>

#include <string>

namespace orvcli {

struct CaptureCount {
    int64_t frames = 0;
    int64_t bytes = 0;
    double seconds = 0;  // since streaming started

    double Fps() const { return seconds > 0 ? frames / seconds : 0; }
    double Kbps() const { return seconds > 0 ? bytes * 8 / seconds / 1000 : 0; }
};

// "frames 150  29.9 fps  1912.3 kbit/s" (the live line, without its carriage return).
std::string ProgressLine(const CaptureCount &c);

// "captured 150 frames, 1196160 bytes in 5.02 s (29.9 fps, 1906.2 kbit/s) to out.h264".
std::string SummaryLine(const CaptureCount &c, const std::string &file);

// After a failed write: "captured 150 frames, 1196160 bytes in 5.02 s (29.9 fps, 1906.2
// kbit/s); 1048576 bytes reached out.h264".
std::string LostSummaryLine(const CaptureCount &c, const std::string &file, int64_t reached);

}  // namespace orvcli
