#include <cstring>

#include "stream_push.h"

namespace orvcli {
namespace {

struct Scheme {
    const char *prefix;
    const char *format;
};
constexpr Scheme kSchemes[] = {{"rtsp://", "rtsp"}, {"srt://", "mpegts"}, {"rtmp://", "flv"}};

}  // namespace

const char *PushFormat(const std::string &output) {
    for (const Scheme &s : kSchemes)
        if (output.compare(0, std::strlen(s.prefix), s.prefix) == 0)
            return s.format;
    return nullptr;
}

}  // namespace orvcli
