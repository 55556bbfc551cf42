#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "log_capture.h"
#include "orv_log.h"
#include "scoped_property.h"

namespace {

using orvtest::LogCapture;
using orvtest::LogEntry;

// Writes one line at each priority from VERBOSE to ERROR and returns the priorities that passed.
std::vector<int> PassingPriorities() {
    LogCapture capture;
    for (int p = ANDROID_LOG_VERBOSE; p <= ANDROID_LOG_ERROR; ++p)
        ORV_LOG(p, ORV_TAG_V4L2, "line %d", p);
    std::vector<int> passed;
    for (const LogEntry &e : capture.entries()) {
        EXPECT_EQ(ORV_TAG_V4L2, e.tag);
        EXPECT_EQ("line " + std::to_string(e.priority), e.text);
        passed.push_back(e.priority);
    }
    return passed;
}

TEST(LogGate, UnsetPassesOnlyErrors) {
    orvtest::SetProperty("orv.log.level", "");
    EXPECT_EQ(std::vector<int>({6}), PassingPriorities());
}

TEST(LogGate, LevelsSelectThePrioritiesFromThatOneUp) {
    orvtest::ScopedProperty prop("orv.log.level", "3");
    EXPECT_EQ(std::vector<int>({3, 4, 5, 6}), PassingPriorities());
    orvtest::SetProperty("orv.log.level", "2");
    EXPECT_EQ(std::vector<int>({2, 3, 4, 5, 6}), PassingPriorities());
    orvtest::SetProperty("orv.log.level", "6");
    EXPECT_EQ(std::vector<int>({6}), PassingPriorities());
    orvtest::SetProperty("orv.log.level", "7");
    EXPECT_EQ(std::vector<int>({}), PassingPriorities());
}

TEST(LogGate, NonNumericLevelReadsAsZeroAndPassesEverything) {
    orvtest::ScopedProperty prop("orv.log.level", "verbose");
    EXPECT_EQ(std::vector<int>({2, 3, 4, 5, 6}), PassingPriorities());
    orvtest::SetProperty("orv.log.level", "4abc");
    EXPECT_EQ(std::vector<int>({4, 5, 6}), PassingPriorities());
}

TEST(LogGate, GateLeavesErrnoForTheMessage) {
    orvtest::ScopedProperty prop("orv.log.level", "3");
    LogCapture capture;
    errno = ENODEV;
    ORV_LOG(ANDROID_LOG_ERROR, ORV_TAG_USB, "failed, " ORV_ERRNO_FMT, ORV_ERRNO_ARGS(errno));
    EXPECT_EQ(std::vector<std::string>({"failed, errno:19(No such device)"}),
              capture.texts(ORV_TAG_USB));
}

TEST(LogGate, LocationPrefixes) {
    orvtest::ScopedProperty prop("orv.log.level", "3");
    LogCapture capture;
    const int line_at = __LINE__ + 1;
    ORV_LOG_AT(ANDROID_LOG_INFO, ORV_TAG_DEVICE, "camera_device", "open_device", " open devName:%s",
               "/dev/video0");
    const int line_fn = __LINE__ + 1;
    ORV_LOG_FN(ANDROID_LOG_INFO, ORV_TAG_UVC, "uvc_set_h264_bitrate", " bitrate:%d", 1920000);
    ORV_LOG_AT(ANDROID_LOG_INFO, ORV_TAG_JNI, "camera_device_jni", "native_open", "");
    const std::vector<LogEntry> got = capture.entries();
    ASSERT_EQ(3u, got.size());
    EXPECT_EQ((LogEntry{4, "ORVCam/device",
                        "[camera_device:" + std::to_string(line_at) +
                            "] [open_device] open devName:/dev/video0"}),
              got[0]);
    EXPECT_EQ((LogEntry{4, "ORVCam/uvc",
                        "[" + std::to_string(line_fn) + "][uvc_set_h264_bitrate] bitrate:1920000"}),
              got[1]);
    EXPECT_EQ("ORVCam/jni", got[2].tag);
    EXPECT_EQ(0u, got[2].text.find("[camera_device_jni:"));
    EXPECT_EQ("] [native_open]", got[2].text.substr(got[2].text.find(']')));
}

}  // namespace
