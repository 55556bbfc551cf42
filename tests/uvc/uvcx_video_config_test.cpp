// The video configuration block without a camera: what each set request puts on the wire,
// byte for byte, how an answer's fields are read, and the frame-rate conversions.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "uvc/uvcx_video_config.h"
#include "uvc_test_util.h"

namespace {

namespace uvcx = orv::uvcx;
using orvtest::Hex;
using uvctest::Block;

std::string Sent(const UvcxVideoConfig &c) {
    return orvtest::Hex(c.bytes, sizeof c.bytes);
}

struct RequestCase {
    const char *what;
    UvcxVideoConfig sent;
    std::vector<uint8_t> expected;
};

TEST(UvcxVideoConfig, SetRequestsCarryOneFieldAndItsHintsInLittleEndian) {
    const RequestCase cases[] = {
        {"resolution 1280x720", uvcx::resolution_request(1280, 720),
         Block({{8, {0xFE, 0xFF}}, {12, {0x00, 0x05}}, {14, {0xD0, 0x02}}})},
        {"frame rate 30", uvcx::frame_rate_request(30),
         Block({{0, {0x15, 0x16, 0x05, 0x00}}, {8, {0xFF, 0xF7}}})},
        {"bit rate 1920000", uvcx::bit_rate_request(1920000),
         Block({{4, {0x00, 0x4C, 0x1D, 0x00}}, {8, {0xFF, 0xDF}}})},
        {"high profile", uvcx::profile_request(UVCX_H264_wProfile_HIGHPROFILE),
         Block({{8, {0xFD, 0xFF}}, {20, {0x00, 0x64}}})},
        {"constant QP", uvcx::rate_control_mode_request(UVCX_RATE_CONTROL_CONST_QP),
         Block({{8, {0xFB, 0xFF}}, {29, {0x03}}})},
        {"I-frame period 5", uvcx::iframe_period_request(5),
         Block({{8, {0xFF, 0x7F}}, {22, {0x05, 0x00}}})},
        // Values wider than their field keep their low bits; nothing spills into a neighbour.
        {"resolution 0x12345 x -1", uvcx::resolution_request(0x12345, -1),
         Block({{8, {0xFE, 0xFF}}, {12, {0x45, 0x23}}, {14, {0xFF, 0xFF}}})},
        {"I-frame period 70000", uvcx::iframe_period_request(70000),
         Block({{8, {0xFF, 0x7F}}, {22, {0x70, 0x11}}})},
        {"rate control mode 0x1FF", uvcx::rate_control_mode_request(0x1FF),
         Block({{8, {0xFB, 0xFF}}, {29, {0xFF}}})},
        {"profile -1", uvcx::profile_request(-1), Block({{8, {0xFD, 0xFF}}, {20, {0xFF, 0xFF}}})},
        {"bit rate -1", uvcx::bit_rate_request(-1),
         Block({{4, {0xFF, 0xFF, 0xFF, 0xFF}}, {8, {0xFF, 0xDF}}})},
        {"frame rate 0", uvcx::frame_rate_request(0),
         Block({{0, {0xFF, 0xFF, 0xFF, 0xFF}}, {8, {0xFF, 0xF7}}})},
    };
    for (const RequestCase &c : cases)
        EXPECT_EQ(Hex(c.expected), Sent(c.sent)) << c.what;
}

TEST(UvcxVideoConfig, ReadsFieldsFromTheirLittleEndianOffsets) {
    // An answer as a camera sends it, every byte different, so a wrong offset or byte order
    // reads a wrong value.
    UvcxVideoConfig answer;
    for (size_t i = 0; i < sizeof answer.bytes; ++i)
        answer.bytes[i] = static_cast<uint8_t>(i + 1);
    EXPECT_EQ(0x04030201u, uvcx::frame_interval(answer));
    EXPECT_EQ(0x08070605u, uvcx::bit_rate(answer));
    EXPECT_EQ(0x0A09, uvcx::hints(answer));
    EXPECT_EQ(0x0E0D, uvcx::width(answer));
    EXPECT_EQ(0x100F, uvcx::height(answer));
    EXPECT_EQ(0x1615, uvcx::profile(answer));
    EXPECT_EQ(0x1817, uvcx::iframe_period(answer));
    EXPECT_EQ(0x1E, uvcx::rate_control_mode(answer));
}

TEST(UvcxVideoConfig, SignedWideningOfAnswers) {
    EXPECT_EQ(0, uvcx::widen_signed16(0));
    EXPECT_EQ(25600, uvcx::widen_signed16(0x6400));
    EXPECT_EQ(32767, uvcx::widen_signed16(0x7FFF));
    EXPECT_EQ(-32768, uvcx::widen_signed16(0x8000));
    EXPECT_EQ(-1, uvcx::widen_signed16(0xFFFF));
    EXPECT_EQ(1920000, uvcx::as_signed32(1920000));
    EXPECT_EQ(std::numeric_limits<int32_t>::max(), uvcx::as_signed32(0x7FFFFFFF));
    EXPECT_EQ(std::numeric_limits<int32_t>::min(), uvcx::as_signed32(0x80000000));
    EXPECT_EQ(-1, uvcx::as_signed32(0xFFFFFFFF));
}

TEST(UvcxVideoConfig, FrameRateAndIntervalInSinglePrecisionTruncated) {
    const std::pair<uint32_t, uint32_t> fps_to_interval[] = {
        {30, 333333}, {25, 400000},    {60, 166666},  {15, 666666},    {1, 10000000},
        {3, 3333333}, {0, 0xFFFFFFFF}, {20000000, 0}, {0xFFFFFFFF, 0},
    };
    for (const auto &c : fps_to_interval)
        EXPECT_EQ(c.second, uvcx::frame_interval_from_fps(c.first)) << "fps " << c.first;
    const std::pair<uint32_t, uint32_t> interval_to_fps[] = {
        {333333, 30},  {400000, 25},  {166666, 60},    {666666, 15},
        {10000000, 1}, {20000000, 0}, {0, 0xFFFFFFFF}, {0xFFFFFFFF, 0},
    };
    for (const auto &c : interval_to_fps)
        EXPECT_EQ(c.second, uvcx::fps_from_frame_interval(c.first)) << "interval " << c.first;
}

TEST(UvcxVideoConfig, FloatToUnsignedSaturates) {
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(0xFFFFFFFFu, uvcx::saturate_to_u32(inf));
    EXPECT_EQ(0xFFFFFFFFu, uvcx::saturate_to_u32(4294967296.0f));
    EXPECT_EQ(0xFFFFFFFFu, uvcx::saturate_to_u32(1e30f));
    // The largest float below 2^32 still converts exactly.
    EXPECT_EQ(4294967040u, uvcx::saturate_to_u32(std::nextafter(4294967296.0f, 0.0f)));
    EXPECT_EQ(7u, uvcx::saturate_to_u32(7.99f));
    EXPECT_EQ(0u, uvcx::saturate_to_u32(-0.5f));
    EXPECT_EQ(0u, uvcx::saturate_to_u32(-1.0f));
    EXPECT_EQ(0u, uvcx::saturate_to_u32(-inf));
    EXPECT_EQ(0u, uvcx::saturate_to_u32(std::numeric_limits<float>::quiet_NaN()));
}

}  // namespace
