// Helpers of the V4L2 layer's suites: simulated-camera configurations and a fixture holding an open
// node of the simulated camera.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log_capture.h"
#include "log_lines.h"
#include "scoped_property.h"
#include "simcam_config.h"

namespace v4l2test {

constexpr const char *kNode = "/dev/video0";

using orvtest::DefaultConfigWith;

// One camera at kNode offering `formats` (a JSON list) with `controls` (a JSON list).
std::string CameraConfig(const std::string &formats, const std::string &controls = "[]");

// A node of the simulated camera opened read-write and non-blocking, with an empty trace and
// log; every log level shown.
class NodeTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // (Re)opens kNode under `config`.
    void Open(const std::string &config);
    std::vector<orvtest::LogEntry> Lines() const { return orvtest::V4l2Lines(capture_); }
    // "fd:<fd>" of the open node, as the layer logs it.
    std::string FdText() const { return "fd:" + std::to_string(fd_); }

    orvtest::ScopedProperty level_{"orv.log.level", "2"};
    orvtest::LogCapture capture_;
    int fd_ = -1;
};

}  // namespace v4l2test
