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

#include "simcam/simcam.h"

namespace simtest {

constexpr const char *kNode = "/dev/video0";

class Fd {
  public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0)
            close(fd_);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_;
};

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
