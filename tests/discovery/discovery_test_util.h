// Shared by the discovery suites: the manager's log lines in comparable form and simulated
// camera configurations of several nodes.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "log_capture.h"
#include "log_lines.h"

namespace disctest {

// One simulated node: its path, the ids its identity request answers (no identity request at
// all when `identity` is false), and its formats by fourcc ("H264", "MJPG", "YUYV", or "0" for
// the code-0 format), each at 640x480 and 1280x720, 1/30 and 1/15.
struct SimNode {
    std::string path;
    uint16_t vendor = 0, product = 0;
    std::vector<std::string> formats;
    bool identity = true;
};

// {"nodes": [...]} for the simulated camera.
std::string ConfigJson(const std::vector<SimNode> &nodes);

}  // namespace disctest
