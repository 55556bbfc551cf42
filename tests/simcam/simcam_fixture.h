// Shared by the simulated camera's suites: a fresh default camera on a stepped clock, and a
// descriptor that closes itself.
#pragma once

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "orv_fd.h"
#include "simcam/simcam.h"

namespace simtest {

constexpr const char *kNode = "/dev/video0";

class SimcamTest : public ::testing::Test {
  protected:
    void SetUp() override {
        simcam::LoadDefaultConfig();
        simcam::SetClock(kNode, simcam::Clock::kStepped);
    }
    // Opens the node as the libraries do (read-write, non-blocking).
    static int OpenNode(const char *path = kNode) { return open(path, O_RDWR | O_NONBLOCK); }
};

// The NAL unit types of an Annex B access unit, in order.
std::vector<int> NalTypes(const std::vector<uint8_t> &au);
// The profile_idc of the first SPS in an access unit, or -1.
int SpsProfile(const std::vector<uint8_t> &au);

}  // namespace simtest
