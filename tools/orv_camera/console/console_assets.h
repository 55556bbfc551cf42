// The console page's files, embedded in the program.
#pragma once

#include <stddef.h>

#include <string>

namespace orvcli {

struct Asset {
    const char *path;  // "/index.html", "/vendor/uPlot.min.css"
    const unsigned char *data;
    size_t size;
};

// The file served at `path`, or null.
const Asset *FindAsset(const std::string &path);

}  // namespace orvcli
