#include "uvc/uvcx_video_config.h"

#include <cmath>

namespace orv {
namespace uvcx {
namespace {

constexpr float kIntervalsPerSecond = 10000000.0f;  // 100 ns units in a second
constexpr float kTwoPow32 = 4294967296.0f;

}  // namespace

UvcxVideoConfig zeroed_config() {
    return UvcxVideoConfig{};
}

void put_field(UvcxVideoConfig &c, Field f, uint32_t v) {
    for (size_t i = 0; i < f.size; ++i)
        c.bytes[f.offset + i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t get_field(const UvcxVideoConfig &c, Field f) {
    uint32_t v = 0;
    for (size_t i = 0; i < f.size; ++i)
        v |= static_cast<uint32_t>(c.bytes[f.offset + i]) << (8 * i);
    return v;
}

UvcxVideoConfig request(const Setting &s, uint32_t v, uint32_t second) {
    UvcxVideoConfig c = zeroed_config();
    put_field(c, kHints, s.hints);
    put_field(c, s.field, v);
    put_field(c, s.second, second);
    return c;
}

// Conversions of an int to a narrower unsigned field are modular: the low bits are kept.
UvcxVideoConfig resolution_request(int w, int h) {
    return request(kResolutionSetting, static_cast<uint32_t>(w), static_cast<uint32_t>(h));
}

UvcxVideoConfig frame_rate_request(uint32_t fps) {
    return request(kFrameRateSetting, frame_interval_from_fps(fps));
}

UvcxVideoConfig profile_request(int p) {
    return request(kProfileSetting, static_cast<uint32_t>(p));
}

UvcxVideoConfig rate_control_mode_request(int mode) {
    return request(kRateControlSetting, static_cast<uint32_t>(mode));
}

UvcxVideoConfig bit_rate_request(int rate) {
    return request(kBitRateSetting, static_cast<uint32_t>(rate));
}

UvcxVideoConfig iframe_period_request(int period) {
    return request(kIFramePeriodSetting, static_cast<uint32_t>(period));
}

int32_t widen_signed16(uint16_t v) {
    return v >= 0x8000u ? static_cast<int32_t>(v) - 0x10000 : static_cast<int32_t>(v);
}

int32_t as_signed32(uint32_t v) {
    return v >= 0x80000000u ? -static_cast<int32_t>(~v) - 1 : static_cast<int32_t>(v);
}

uint32_t saturate_to_u32(float v) {
    if (std::isnan(v) || v <= -1.0f)
        return 0;  // (-1, 0) truncates to 0 below
    if (v >= kTwoPow32)
        return 0xFFFFFFFFu;
    return static_cast<uint32_t>(v);
}

namespace {

// Both directions are the same single-precision division; a zero divisor stands for an
// infinite quotient and saturates.
uint32_t per_second(uint32_t divisor) {
    if (divisor == 0)
        return 0xFFFFFFFFu;
    return saturate_to_u32(kIntervalsPerSecond / static_cast<float>(divisor));
}

}  // namespace

uint32_t frame_interval_from_fps(uint32_t fps) {
    return per_second(fps);
}

uint32_t fps_from_frame_interval(uint32_t interval) {
    return per_second(interval);
}

}  // namespace uvcx
}  // namespace orv
