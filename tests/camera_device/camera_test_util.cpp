#include "camera_test_util.h"

#include <algorithm>

#include "simcam/simcam.h"

namespace camtest {

std::string Cameras(int n, const std::function<void(nlohmann::json &node)> &edit) {
    nlohmann::json config = nlohmann::json::parse(simcam::DefaultConfigText());
    const nlohmann::json model = config["nodes"][0];
    config["nodes"] = nlohmann::json::array();
    for (int i = 0; i < n; ++i) {
        nlohmann::json node = model;
        node["path"] = "/dev/video" + std::to_string(i);
        node["bus_info"] = "usb-0000:00:14.0-" + std::to_string(i + 1);
        if (edit)
            edit(node);
        config["nodes"].push_back(node);
    }
    return config.dump();
}

CameraParams HeldParams() {
    CameraParams p{};
    p.pixfmt = 0x34363248;
    p.width = 1920;
    p.height = 1080;
    p.framerate = 30;
    p.profile = 8;
    p.reserved = 31;
    p.rate_control_mode = 2;
    p.bitrate = 1920000;
    p.iframe_period = 1;
    return p;
}

void CameraTest::SetUp() {
    ASSERT_EQ(0, init_camera_device());
    simcam::LoadConfigText(Cameras(1));
    ClearLog();
}

void CameraTest::TearDown() {
    for (int fd : opened_) {
        stop_capture(fd);
        close_device(fd);
    }
    opened_.clear();
    // The table is process-wide: a test that leaves a slot taken would spoil the next one.
    for (int i = 0; i < CAMERA_DEVICE_MAX_OPENED; ++i)
        EXPECT_EQ(nullptr, findOpenedDeviceByName(("/dev/video" + std::to_string(i)).c_str()));
}

int CameraTest::Open(const std::string &node, const CameraParams &params) {
    const int fd = open_device(12, node.c_str(), &params, 0, nullptr);
    if (fd > 0)
        opened_.push_back(fd);
    return fd;
}

void CameraTest::StartStepped(int fd, const std::string &node) {
    simcam::SetClock(node, simcam::Clock::kStepped);
    ASSERT_EQ(0, start_capture(fd));
}

void CameraTest::Forget(int fd) {
    opened_.erase(std::remove(opened_.begin(), opened_.end(), fd), opened_.end());
}

void CameraTest::ClearLog() {
    simcam::ClearTrace();
    capture_.clear();
}

}  // namespace camtest
