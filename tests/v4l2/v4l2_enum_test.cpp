// What a node offers: the coded-format scans, the camera identity, and the size and rate texts.
#include <android/log.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "orv_usb_ids.h"
#include "simcam/simcam.h"
#include "v4l2/v4l2_formats.h"
#include "v4l2_test_util.h"

namespace {

using orvtest::LogEntry;
using orvtest::v4l2::Debug;
using orvtest::v4l2::Info;
using orvtest::v4l2::Warn;
using v4l2test::CameraConfig;
using v4l2test::kNode;

constexpr int kH264 = 0x34363248;
constexpr int kMjpg = 0x47504A4D;

std::string DiscreteSize(int w, int h, const std::string &intervals) {
    return R"({"width": )" + std::to_string(w) + R"(, "height": )" + std::to_string(h) +
           R"(, "intervals": )" + intervals + "}";
}

std::string Format(const std::string &fourcc, const std::string &sizes) {
    return R"({"fourcc": )" + fourcc + R"(, "description": "F", "frame_sizes": )" + sizes + "}";
}

// A caller's text of exactly `capacity` bytes on the heap (so that a write past it is caught
// under the sanitizers), filled with 'Z'.
class Text {
  public:
    explicit Text(size_t capacity) : bytes_(new char[capacity]), capacity_(capacity) {
        std::memset(bytes_.get(), 'Z', capacity);
    }
    char *get() { return bytes_.get(); }
    unsigned cap() const { return static_cast<unsigned>(capacity_); }
    bool untouched() const {
        for (size_t i = 0; i < capacity_; ++i)
            if (bytes_[i] != 'Z')
                return false;
        return true;
    }
    std::string str() const { return std::string(bytes_.get(), strnlen(bytes_.get(), capacity_)); }

  private:
    std::unique_ptr<char[]> bytes_;
    size_t capacity_;
};

class Enum : public v4l2test::NodeTest {};

TEST_F(Enum, CodedFormatScans) {
    Open(CameraConfig("[" + Format(R"("MJPG")", "[" + DiscreteSize(640, 480, R"(["1/30"])") + "]") +
                      "," + Format(R"("YUYV")", "[" + DiscreteSize(640, 480, R"(["1/30"])") + "]") +
                      "," + Format(R"("H264")", "[" + DiscreteSize(640, 480, R"(["1/30"])") + "]") +
                      "]"));
    int h264 = 7, h265 = 7;
    EXPECT_EQ(0, v4l2_pixel_format_support(fd_, &h264, &h265));
    EXPECT_EQ(1, h264);
    EXPECT_EQ(0, h265);
    EXPECT_EQ(2, v4l2_support_h264(fd_));
    EXPECT_EQ(-1, v4l2_support_h265(fd_));
    EXPECT_EQ(4u + 3u + 4u, simcam::TraceOf(simcam::Call::kEnumFmt).size());

    Open(CameraConfig("[" + Format(R"("MJPG")", "[" + DiscreteSize(640, 480, R"(["1/30"])") + "]") +
                      "," + Format("0", "[" + DiscreteSize(640, 480, R"(["1/30"])") + "]") + "]"));
    EXPECT_EQ(0, v4l2_pixel_format_support(fd_, &h264, &h265));
    EXPECT_EQ(0, h264);
    EXPECT_EQ(1, h265);
    EXPECT_EQ(-1, v4l2_support_h264(fd_));
    EXPECT_EQ(1, v4l2_support_h265(fd_));
    EXPECT_TRUE(Lines().empty());
}

TEST_F(Enum, CameraIdentity) {
    uint16_t vid = 1, pid = 2;
    EXPECT_EQ(0, v4l2_get_video_vid_pid(fd_, &vid, &pid));
    EXPECT_EQ(ORV_USB_VENDOR_ID, vid);
    EXPECT_EQ(ORV_DEFAULT_SIM_PRODUCT_ID, pid);
    const auto asks = simcam::TraceOf(simcam::Call::kIdentity);
    ASSERT_EQ(1u, asks.size());
    EXPECT_EQ(0xC0125678ul, asks[0].request);

    simcam::SetIdentityAnswered(kNode, false);
    vid = 1;
    pid = 2;
    EXPECT_EQ(-1, v4l2_get_video_vid_pid(fd_, &vid, &pid));
    EXPECT_EQ(1, vid);
    EXPECT_EQ(2, pid);
    EXPECT_TRUE(Lines().empty());
}

TEST_F(Enum, DiscreteSizesAndTheRatesOfTheLastSize) {
    Text sizes(64), rates(16);
    EXPECT_EQ(0, v4l2_get_support_frame_sizes(fd_, kH264, sizes.get(), sizes.cap(), rates.get(),
                                              rates.cap()));
    EXPECT_EQ("1920x1080,1280x720,640x480", sizes.str());
    EXPECT_EQ("30,15", rates.str());
    const auto intervals = simcam::TraceOf(simcam::Call::kEnumFrameIntervals);
    ASSERT_EQ(3u, intervals.size());
    EXPECT_EQ(640u, intervals[0].width);
    EXPECT_EQ(480u, intervals[0].height);
    EXPECT_EQ((std::vector<LogEntry>{Debug("{ discrete: width = 1920, height = 1080 }\n"),
                                     Debug("{ discrete: width = 1280, height = 720 }\n"),
                                     Debug("{ discrete: width = 640, height = 480 }\n"),
                                     Debug("\tTime interval between frame: "), Debug("1/30, "),
                                     Debug("1/15, "), Debug("\n")}),
              Lines());
}

// The size that does not fit ends the list and its rates are the ones written.
TEST_F(Enum, FullSizesTextEndsTheListAtTheSizeThatDidNotFit) {
    Open(CameraConfig("[" +
                      Format(R"("H264")", "[" + DiscreteSize(1920, 1080, R"(["1/30"])") + "," +
                                              DiscreteSize(1280, 720, R"(["1/25"])") + "," +
                                              DiscreteSize(640, 480, R"(["1/30", "1/15"])") + "," +
                                              DiscreteSize(320, 240, R"(["1/5"])") + "]") +
                      "]"));
    Text sizes(20), rates(16);
    EXPECT_EQ(0, v4l2_get_support_frame_sizes(fd_, kH264, sizes.get(), sizes.cap(), rates.get(),
                                              rates.cap()));
    EXPECT_EQ("1920x1080,1280x720", sizes.str());
    EXPECT_EQ("30,15", rates.str());
    const auto lines = Lines();
    ASSERT_EQ(8u, lines.size());
    EXPECT_EQ(Warn("too many pixelsize , break "), lines[3]);

    Text all(40), last(8);
    EXPECT_EQ(
        0, v4l2_get_support_frame_sizes(fd_, kH264, all.get(), all.cap(), last.get(), last.cap()));
    EXPECT_EQ("1920x1080,1280x720,640x480,320x240", all.str());
    EXPECT_EQ("5", last.str());
}

// Every capacity from 0 up: the text is the longest list of whole entries that fits with its
// NUL, or untouched when not even the first entry fits; never a byte past the capacity.
TEST_F(Enum, TextsNeverPassTheirCapacity) {
    const std::vector<std::string> all_sizes = {"1920x1080", "1280x720", "640x480"};
    const std::vector<std::string> all_rates = {"30", "15"};
    auto expected = [](const std::vector<std::string> &entries, size_t capacity) {
        std::string text, next;
        for (const std::string &e : entries) {
            next = text.empty() ? e : text + "," + e;
            if (next.size() + 1 > capacity)
                break;
            text = next;
        }
        return text;
    };
    for (size_t cap = 0; cap <= 30; ++cap) {
        Text sizes(cap), rates(cap);
        v4l2_get_support_frame_sizes(fd_, kH264, sizes.get(), sizes.cap(), rates.get(),
                                     rates.cap());
        const std::string want_sizes = expected(all_sizes, cap);
        const std::string want_rates = expected(all_rates, cap);
        if (want_sizes.empty())
            EXPECT_TRUE(sizes.untouched()) << cap;
        else
            EXPECT_EQ(want_sizes, sizes.str()) << cap;
        if (want_rates.empty())
            EXPECT_TRUE(rates.untouched()) << cap;
        else
            EXPECT_EQ(want_rates, rates.str()) << cap;
        Text other(cap);
        v4l2_get_support_resolutions(fd_, sizes.get(), static_cast<int>(cap), other.get(),
                                     static_cast<int>(cap));
        EXPECT_EQ(want_rates.empty(), other.untouched()) << cap;
    }
    // A null text or a negative capacity takes nothing.
    Text rates(8);
    EXPECT_EQ(0, v4l2_get_support_frame_sizes(fd_, kH264, nullptr, 64, rates.get(), 0));
    EXPECT_TRUE(rates.untouched());
    Text sizes(8);
    EXPECT_EQ(0, v4l2_get_support_resolutions(fd_, sizes.get(), -1, rates.get(), -5));
    EXPECT_TRUE(sizes.untouched());
    EXPECT_TRUE(rates.untouched());
}

TEST_F(Enum, FormatNotOfferedLeavesTheTexts) {
    char sizes[32] = "keep", rates[32] = "keep";
    EXPECT_EQ(0,
              v4l2_get_support_frame_sizes(fd_, kMjpg, sizes, sizeof sizes, rates, sizeof rates));
    EXPECT_STREQ("keep", sizes);
    EXPECT_STREQ("keep", rates);
    // The rates of "the last size" are asked for 0 x 0.
    const auto intervals = simcam::TraceOf(simcam::Call::kEnumFrameIntervals);
    ASSERT_EQ(1u, intervals.size());
    EXPECT_EQ(0u, intervals[0].width);
    EXPECT_EQ(0u, intervals[0].height);
}

TEST_F(Enum, SizeRangesRefuseToEnumerateIntervals) {
    Open(CameraConfig(
        "[" +
        Format(
            R"("H264")",
            R"({"kind": "continuous", "min": "160x120", "max": "1920x1080", "intervals": ["1/30"]})") +
        "," +
        Format(
            R"("YUYV")",
            R"({"kind": "stepwise", "min": "160x120", "max": "1280x720", "step": "16x8", "intervals": ["1/30"]})") +
        "]"));
    char sizes[32] = "keep", rates[32] = "keep";
    EXPECT_EQ(0,
              v4l2_get_support_frame_sizes(fd_, kH264, sizes, sizeof sizes, rates, sizeof rates));
    EXPECT_EQ(
        0, v4l2_get_support_frame_sizes(fd_, 0x56595559, sizes, sizeof sizes, rates, sizeof rates));
    EXPECT_STREQ("keep", sizes);
    EXPECT_STREQ("keep", rates);
    EXPECT_TRUE(simcam::TraceOf(simcam::Call::kEnumFrameIntervals).empty());
    EXPECT_EQ((std::vector<LogEntry>{
                  Debug("{ continuous: min { width = 160, height = 120 } .. max { width = 1920, "
                        "height = 1080 } }\n"),
                  Debug("  Refusing to enumerate frame intervals.\n"),
                  Debug("{ stepwise: min { width = 160, height = 120 } .. max { width = 1280, "
                        "height = 720 } / stepsize { width = 16, height = 8 } }\n"),
                  Debug("  Refusing to enumerate frame intervals.\n")}),
              Lines());
}

TEST_F(Enum, IntervalsTruncateSkipZeroNumeratorsAndStopAtRanges) {
    Open(CameraConfig(
        "[" +
        Format(
            R"("H264")",
            "[" + DiscreteSize(1920, 1080, R"(["1001/30000", "0/30", "1/15"])") + "," +
                DiscreteSize(1280, 720, R"({"kind": "continuous", "min": "1/60", "max": "1/5"})") +
                "," +
                DiscreteSize(
                    640, 480,
                    R"({"kind": "stepwise", "min": "1/30", "max": "1/10", "step": "1/10"})") +
                "]") +
        "]"));
    char rates[32] = "keep";
    EXPECT_EQ(0, v4l2_get_support_frame_intervals(fd_, kH264, 1920, 1080, rates, sizeof rates));
    EXPECT_STREQ("29,15", rates);
    EXPECT_EQ(0, v4l2_get_support_frame_intervals(fd_, kH264, 1280, 720, rates, sizeof rates));
    EXPECT_EQ(0, v4l2_get_support_frame_intervals(fd_, kH264, 640, 480, rates, sizeof rates));
    EXPECT_STREQ("29,15", rates);
    EXPECT_EQ(6u, simcam::TraceOf(simcam::Call::kEnumFrameIntervals).size());
    const std::string head = "\tTime interval between frame: ";
    EXPECT_EQ((std::vector<LogEntry>{
                  Debug(head), Debug("1001/30000, "), Debug("0/30, "), Debug("1/15, "), Debug("\n"),
                  Debug(head), Debug("{min { 1/60 } .. max { 1/5 } }, "), Debug("\n"), Debug(head),
                  Debug("{min { 1/30 } .. max { 1/10 } / stepsize { 1/10 } }, "), Debug("\n")}),
              Lines());

    // A full rates text stops the list with its WARN line.
    char two[4] = "";
    EXPECT_EQ(0, v4l2_get_support_frame_intervals(fd_, kH264, 1920, 1080, two, sizeof two));
    EXPECT_STREQ("29", two);
    EXPECT_EQ(Warn("too many framerate , break "), Lines().at(Lines().size() - 2));
}

TEST_F(Enum, EnumerationErrorsOtherThanTheEndAreReturned) {
    simcam::FailCall(kNode, simcam::Call::kEnumFrameSizes, EIO, 1, 1);
    char sizes[32] = "keep", rates[32] = "keep";
    EXPECT_EQ(EIO,
              v4l2_get_support_frame_sizes(fd_, kH264, sizes, sizeof sizes, rates, sizeof rates));
    EXPECT_STREQ("1920x1080", sizes);
    EXPECT_STREQ("keep", rates);
    EXPECT_TRUE(simcam::TraceOf(simcam::Call::kEnumFrameIntervals).empty());

    simcam::FailCall(kNode, simcam::Call::kEnumFrameIntervals, EIO, 1, 1);
    EXPECT_EQ(EIO, v4l2_get_support_frame_intervals(fd_, kH264, 640, 480, rates, sizeof rates));
    EXPECT_STREQ("30", rates);
    EXPECT_EQ((std::vector<LogEntry>{Debug("{ discrete: width = 1920, height = 1080 }\n"),
                                     Debug("ERROR enumerating frame sizes: 5\n"),
                                     Debug("\tTime interval between frame: "), Debug("1/30, "),
                                     Debug("\n"), Debug("ERROR enumerating frame intervals: 5\n")}),
              Lines());
}

TEST_F(Enum, ResolutionsKeepTheTextsOfTheLastFormatWithDiscreteSizes) {
    Open(CameraConfig(
        "[" + Format(R"("MJPG")", "[" + DiscreteSize(1280, 720, R"(["1/25"])") + "]") + "," +
        Format(R"("H264")", "[" + DiscreteSize(640, 480, R"(["1/15"])") + "]") + "," +
        Format(
            R"("YUYV")",
            R"({"kind": "continuous", "min": "160x120", "max": "320x240", "intervals": ["1/30"]})") +
        "]"));
    char sizes[32] = "", rates[32] = "";
    EXPECT_EQ(0, v4l2_get_support_resolutions(fd_, sizes, sizeof sizes, rates, sizeof rates));
    EXPECT_STREQ("640x480", sizes);
    EXPECT_STREQ("15", rates);
    std::vector<std::string> formats;
    for (const LogEntry &e : Lines())
        if (e.priority == ANDROID_LOG_INFO)
            formats.push_back(e.text);
    const std::string fn = "v4l2_get_support_resolutions: " + FdText() + " support format:";
    EXPECT_EQ((std::vector<std::string>{
                  fn + "1 format:1196444237 format name:V4L2_PIX_FMT_MJPEG format desciption:F",
                  fn + "2 format:875967048 format name:V4L2_PIX_FMT_H264 format desciption:F",
                  fn + "3 format:1448695129 format name:V4L2_PIX_FMT_YUYV format desciption:F"}),
              formats);

    simcam::FailCall(kNode, simcam::Call::kEnumFmt, EIO);
    simcam::ClearTrace();
    capture_.clear();
    EXPECT_EQ(0, v4l2_get_support_resolutions(fd_, sizes, sizeof sizes, rates, sizeof rates));
    EXPECT_TRUE(Lines().empty());
    EXPECT_TRUE(simcam::TraceOf(simcam::Call::kEnumFrameSizes).empty());
}

}  // namespace
