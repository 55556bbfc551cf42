// The tool's parsers of the command line: encoder settings (one table for the open options,
// --change and the console), --change itself, and the settings report.
#include <gtest/gtest.h>

#include <cstdio>

#include "encoder_settings.h"
#include "setting_change.h"

namespace orvcli {
namespace {

// key; text; the value formatted back, or a fragment of the refusal.
struct SettingCase {
    const char *key, *text;
    bool good;
    const char *expected;
};

TEST(EncoderSettings, ParseAndFormatEachKindWithinItsBounds) {
    const SettingCase cases[] = {
        {"size", "1280x720", true, "1280x720"},
        {"size", "8192x8192", true, "8192x8192"},
        {"size", "8193x720", false, "must have each side from 1 to 8192"},
        {"size", "1280x0", false, "takes a frame size WxH"},
        {"framerate", "0x1e", true, "30"},
        {"framerate", "08", true, "8"},
        {"framerate", "0", false, "must be from 1 to 240"},
        {"framerate", "241", false, "must be from 1 to 240"},
        {"framerate", "1e400", false, "takes a whole number, not '1e400'"},
        {"bitrate", "999", false, "must be from 1000 to 500000000"},
        {"bitrate", "500000000", true, "500000000"},
        // The encoder's field is 16 bits: 65536 would wrap to 0, no periodic I-frame at all.
        {"iframe-period", "65535", true, "65535"},
        {"iframe-period", "65536", false, "must be from 0 to 65535"},
        {"iframe-period", "-1", false, "must be from 0 to 65535"},
        {"profile", "high", true, "high"},
        {"profile", "best", false, "must be one of baseline|main|high, not 'best'"},
        {"rate-control", "cqp", true, "cqp"},
    };
    for (const SettingCase &c : cases) {
        const SettingRow *row = FindSetting(c.key);
        ASSERT_NE(nullptr, row) << c.key;
        SettingValue value;
        const std::string why = ParseSettingText(*row, c.text, &value);
        if (c.good) {
            EXPECT_EQ("", why) << c.key << " " << c.text;
            EXPECT_EQ(c.expected, FormatSetting(*row, value)) << c.key << " " << c.text;
        } else {
            EXPECT_NE(std::string::npos, why.find(c.expected))
                << c.key << " " << c.text << ": " << why;
        }
    }
}

TEST(EncoderSettings, OldSpellingsFindTheirRowAndDefaultsMakeTheOpenParameters) {
    EXPECT_EQ(FindSetting("rate-control"), FindSetting("rate_control"));
    EXPECT_EQ(FindSetting("iframe-period"), FindSetting("iframe_period"));
    EXPECT_EQ(nullptr, FindSetting("fps"));
    const CameraParams p = EncoderSettings().Params();
    EXPECT_EQ(0x34363248, p.pixfmt);
    EXPECT_EQ((std::vector<int>{1920, 1080, 30, 1, 2, 1920000, 5}),
              (std::vector<int>{p.width, p.height, p.framerate, p.profile, p.rate_control_mode,
                                p.bitrate, p.iframe_period}));
}

TEST(Change, ParsedThroughTheSettingsTable) {
    // text; the refusal ("" for a good change); for a good one its frame and value formatted.
    const struct {
        const char *text, *refusal;
        int64_t frame;
        const char *value;
    } cases[] = {
        {"bitrate=500000@10", "", 10, "500000"},
        {"size=640x480@1", "", 1, "640x480"},
        {"rate_control=vbr@5", "", 5, "vbr"},
        {"fps=5@3", "--change: unknown setting 'fps' (size, framerate, profile", 0, ""},
        {"framerate=0@3", "--change framerate must be from 1 to 240", 0, ""},
        {"iframe-period=65536@2", "--change iframe-period must be from 0 to 65535", 0, ""},
        {"bitrate=1000", "--change takes KEY=VALUE@FRAME", 0, ""},
        {"bitrate=1000@0", "(FRAME at least 1)", 0, ""},
        {"bitrate@3=1000", "--change takes KEY=VALUE@FRAME", 0, ""},
    };
    for (const auto &c : cases) {
        Change change;
        const std::string why = ParseChange(c.text, &change);
        if (*c.refusal) {
            EXPECT_NE(std::string::npos, why.find(c.refusal)) << c.text << ": " << why;
            continue;
        }
        ASSERT_EQ("", why) << c.text;
        EXPECT_EQ(c.frame, change.at_frame) << c.text;
        EXPECT_EQ(c.value, FormatSetting(*change.row, change.value)) << c.text;
    }
}

TEST(ReportSettings, OneLineAndAWarningForEachSettingTakenOtherwiseOrUnread) {
    EncoderSettings asked;
    HeldSettings held = {"1280x720", "30", "baseline", "cbr", "", "5"};
    char *text = nullptr;
    size_t size = 0;
    FILE *out = open_memstream(&text, &size);
    ASSERT_NE(nullptr, out);
    testing::internal::CaptureStderr();
    ReportSettings(out, "/dev/video0: ", held, asked);
    const std::string warnings = testing::internal::GetCapturedStderr();
    std::fclose(out);
    const std::string line = text;
    std::free(text);
    EXPECT_EQ(
        "/dev/video0: H.264 1280x720 at 30 fps, profile baseline, rate control cbr, bit rate ?, "
        "I-frame every 5 s\n",
        line);
    EXPECT_EQ(
        "orv-camera: warning: size 1920x1080 asked, the camera took 1280x720\n"
        "orv-camera: warning: cannot read the bit rate in force\n",
        warnings);
}

}  // namespace
}  // namespace orvcli
