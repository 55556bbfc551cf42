// The self tests' waits under the sanitizers: a real-time run that completes, and runs on the
// manual clock, where nothing ever completes, that give up after their bound.
#include "log_capture.h"
#include "self_test.h"

#include <gtest/gtest.h>
#include <opensles_host/test_control.h>

#include <algorithm>

namespace {

bool contains(const std::vector<std::string> &lines, const std::string &line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class SelfTests : public ::testing::Test {
  protected:
    void TearDown() override {
        slhost_reset();
        EXPECT_EQ(0u, slhost_live_objects(SLHOST_KIND_ANY));
    }
    orvtest::LogCapture log;
};

TEST_F(SelfTests, RealTimeRunsComplete) {
    slhost_set_backend("null");
    EXPECT_EQ(0, sonora::playbackSelfTest({2, 48000, false, 20, 4}));
    EXPECT_EQ(0, sonora::captureSelfTest({2, 48000, false, 10, 3}));
    // milliHertz past 32 bits: refused, not run at the wrapped rate (about 48 kHz)
    EXPECT_EQ(-38, sonora::playbackSelfTest({2, 4342967, false, 1, 1}));
    EXPECT_EQ(-38, sonora::captureSelfTest({2, 4342967, false, 1, 1}));
    const auto lines = log.texts("sonora");
    EXPECT_TRUE(contains(lines, "logBufferState state.count:4  state.playIndex:0"));
    EXPECT_TRUE(contains(lines, "logBufferState state.count:0  state.playIndex:0"));
}

TEST_F(SelfTests, WaitsOnAClockThatNeverMovesGiveUp) {
    slhost_set_backend("manual");
    EXPECT_EQ(-38, sonora::playbackSelfTest({1, 8000, true, 2, 3}));
    EXPECT_EQ(-38, sonora::captureSelfTest({1, 8000, true, 2, 3}));
    const auto lines = log.texts("sonora");
    EXPECT_TRUE(contains(lines, "nativeTest: 3 buffers still queued after 1024 ms"));
    EXPECT_TRUE(contains(lines, "nativeTest: 0 of 192 bytes recorded after 1024 ms"));
}

}  // namespace
