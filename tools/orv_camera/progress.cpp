#include "progress.h"

#include <cinttypes>
#include <cstdio>

namespace orvcli {

std::string ProgressLine(const CaptureCount &c) {
    char line[96];
    std::snprintf(line, sizeof line, "frames %" PRId64 "  %.1f fps  %.1f kbit/s", c.frames, c.Fps(),
                  c.Kbps());
    return line;
}

namespace {

std::string Captured(const CaptureCount &c) {
    char line[160];
    std::snprintf(line, sizeof line,
                  "captured %" PRId64 " frames, %" PRId64
                  " bytes in %.2f s (%.1f fps, %.1f kbit/s)",
                  c.frames, c.bytes, c.seconds, c.Fps(), c.Kbps());
    return line;
}

}  // namespace

std::string SummaryLine(const CaptureCount &c, const std::string &file) {
    return Captured(c) + " to " + file;
}

std::string LostSummaryLine(const CaptureCount &c, const std::string &file, int64_t reached) {
    return Captured(c) + "; " + std::to_string(reached) + " bytes reached " + file;
}

}  // namespace orvcli
