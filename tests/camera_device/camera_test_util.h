// Helpers of the camera manager's suites: its log lines in comparable form, simulated cameras
// on several nodes, and a fixture that leaves the process-wide table empty after each test.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "camera_device.h"
#include "log_capture.h"
#include "log_lines.h"
#include "scoped_property.h"

namespace camtest {

// The default camera on /dev/video0 .. /dev/video<n-1>, each node passed through `edit`.
std::string Cameras(int n, const std::function<void(nlohmann::json &node)> &edit = {});

// What the default camera already holds: H264 1920x1080 at 30 fps, high profile (code 8),
// constant bit rate (code 2), 1920000 bit/s, I-frame period 1 s.
CameraParams HeldParams();

// Every test starts with a fresh configuration, INFO lines on, an empty trace and log; every
// device it opened through Open() is stopped and closed afterwards.
class CameraTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // open_device(12, node, params, 0, null), remembered for TearDown when it succeeds.
    int Open(const std::string &node, const CameraParams &params = HeldParams());
    // Starts streaming on a stepped clock.
    void StartStepped(int fd, const std::string &node = "/dev/video0");
    void Forget(int fd);
    void ClearLog();

    orvtest::ScopedProperty level_{"orv.log.level", "2"};
    orvtest::LogCapture capture_;
    std::vector<int> opened_;
};

}  // namespace camtest
