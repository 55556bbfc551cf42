// What a capture writes to a name, by its extension: one rule for the whole tool.
#include <algorithm>
#include <cctype>

#include "frame_output.h"

namespace orvcli {
namespace {

struct KindRow {
    const char *extension;
    OutputKind kind;
};

// The containers written, and those a user may expect but the tool does not write.
const KindRow kKinds[] = {
    {".mp4", OutputKind::kMp4},          {".mkv", OutputKind::kMatroska},
    {".avi", OutputKind::kUnsupported},  {".mov", OutputKind::kUnsupported},
    {".m4v", OutputKind::kUnsupported},  {".3gp", OutputKind::kUnsupported},
    {".ts", OutputKind::kUnsupported},   {".m2ts", OutputKind::kUnsupported},
    {".mts", OutputKind::kUnsupported},  {".mpg", OutputKind::kUnsupported},
    {".mpeg", OutputKind::kUnsupported}, {".webm", OutputKind::kUnsupported},
    {".flv", OutputKind::kUnsupported},  {".wmv", OutputKind::kUnsupported},
    {".ogv", OutputKind::kUnsupported},  {".mxf", OutputKind::kUnsupported},
};

bool EndsWith(const std::string &path, const std::string &suffix) {
    if (path.size() <= suffix.size())
        return false;
    return std::equal(
        suffix.begin(), suffix.end(), path.end() - static_cast<long>(suffix.size()),
        [](char s, char p) { return s == std::tolower(static_cast<unsigned char>(p)); });
}

}  // namespace

OutputKind KindOf(const std::string &path) {
    for (const KindRow &row : kKinds)
        if (EndsWith(path, row.extension))
            return row.kind;
    return OutputKind::kRaw;
}

bool IsContainerPath(const std::string &path) {
    const OutputKind kind = KindOf(path);
    return kind == OutputKind::kMp4 || kind == OutputKind::kMatroska;
}

}  // namespace orvcli
