#include "frame_output.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace orvcli {
namespace {

bool EndsWith(const std::string &path, const char *suffix) {
    const size_t n = std::strlen(suffix);
    if (path.size() <= n)
        return false;
    return std::equal(path.end() - static_cast<long>(n), path.end(), suffix, [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
}

}  // namespace

bool IsContainerPath(const std::string &path) {
    return EndsWith(path, ".mp4") || EndsWith(path, ".mkv");
}

}  // namespace orvcli
