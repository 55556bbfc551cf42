// The page's messages to the console, checked before anything reaches the camera.
#include <gtest/gtest.h>

#include "control_request.h"

namespace orvcli {
namespace {

TEST(ControlRequest, RefusesWhatIsMalformedNamingWhy) {
    const struct {
        std::string body;
        const char *refusal;
    } cases[] = {
        {R"({"op":)", "not JSON"},
        {R"([1])", "not a JSON object"},
        {R"({"key":"size"})", "op must be a text"},
        {R"({"op":"zoom"})", "unknown op 'zoom' (set, iframe, ptz"},
        {R"({"op":"iframe","now":true})", "unknown field 'now'"},
        {R"({"op":"set","key":"bitrate"})", "missing field 'value'"},
        {R"({"op":"set","key":"bitrate","value":"fast"})", "bitrate must be a whole number"},
        {R"({"op":"set","key":"bitrate","value":10})", "bitrate must be from 1000 to 500000000"},
        {R"({"op":"set","key":"iframe-period","value":65536})", "must be from 0 to 65535"},
        {R"({"op":"set","key":"size","value":640})", "size must be a text"},
        {R"({"op":"set","key":"size","value":"640x99999"})", "each side from 1 to 8192"},
        {R"({"op":"set","key":"profile","value":"best"})", "one of baseline|main|high"},
        {R"({"op":"set","key":"fps","value":5})", "unknown setting 'fps'"},
        {R"({"op":"ptz","axis":"roll","speed":1})", "axis must be one of pan|tilt|zoom"},
        {R"({"op":"ptz","axis":"pan","speed":100000})", "speed must be from -255 to 255"},
        {R"({"op":"osd","command":256})", "command must be from 0 to 255"},
        {R"({"op":"menu","command":1.5})", "command must be a whole number"},
        {R"({"op":"record","on":"yes"})", "on must be true or false"},
        {R"({"op":"record","on":true,"format":"avi"})", "format must be one of mp4|mkv"},
        {R"({"op":"push","on":true,"url":"http://host/live"})", "url must be an rtsp://, srt://"},
        {R"({"op":"push","on":true})", "missing field 'url'"},
        {R"({"op":"push","on":false,"url":"srt://host:9000"})", "url is for a start"},
        {std::string(R"({"op":"iframe","x":")") + std::string(5000, 'a') + "\"}",
         "message longer than 4096 bytes"},
    };
    for (const auto &c : cases) {
        ControlRequest r;
        const std::string why = ParseControlRequest(c.body, &r);
        EXPECT_NE(std::string::npos, why.find(c.refusal)) << c.body.substr(0, 80) << ": " << why;
    }
}

TEST(ControlRequest, TypesWhatIsGood) {
    using Op = ControlRequest::Op;
    ControlRequest r;
    ASSERT_EQ("", ParseControlRequest(R"({"op":"set","key":"rate_control","value":"vbr"})", &r));
    EXPECT_EQ(Op::kSet, r.op);
    EXPECT_EQ(FindSetting("rate-control"), r.setting);
    EXPECT_EQ("vbr", FormatSetting(*r.setting, r.value));
    ASSERT_EQ("", ParseControlRequest(R"({"op":"set","key":"size","value":"640x480"})", &r));
    EXPECT_EQ((SettingValue{640, 480}), r.value);
    ASSERT_EQ("", ParseControlRequest(R"({"op":"ptz","axis":"tilt","speed":-8})", &r));
    EXPECT_EQ(Op::kPtz, r.op);
    EXPECT_EQ(FindPtzAxis("tilt"), r.axis);
    EXPECT_EQ(-8, r.speed);
    ASSERT_EQ("", ParseControlRequest(R"({"op":"menu","command":255})", &r));
    EXPECT_EQ(Op::kMenu, r.op);
    EXPECT_EQ(255, r.command);
    ASSERT_EQ("", ParseControlRequest(R"({"op":"record","on":true,"format":"mkv"})", &r));
    EXPECT_TRUE(r.on);
    EXPECT_EQ("mkv", r.format);
    ASSERT_EQ("", ParseControlRequest(R"({"op":"record","on":false})", &r));
    EXPECT_FALSE(r.on);
    ASSERT_EQ("",
              ParseControlRequest(R"({"op":"push","on":true,"url":"rtmp://host/app/key"})", &r));
    EXPECT_EQ(Op::kPush, r.op);
    EXPECT_EQ("rtmp://host/app/key", r.url);
}

}  // namespace
}  // namespace orvcli
