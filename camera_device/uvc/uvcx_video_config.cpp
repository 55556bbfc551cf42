#include "uvc/uvcx_video_config.h"

#include <cmath>

namespace orv {
namespace uvcx {
namespace {

constexpr float kIntervalsPerSecond = 10000000.0f;  // 100 ns units in a second
constexpr float kTwoPow32 = 4294967296.0f;

void put_le(UvcxVideoConfig &c, size_t offset, uint32_t v, size_t size) {
    for (size_t i = 0; i < size; ++i)
        c.bytes[offset + i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t get_le(const UvcxVideoConfig &c, size_t offset, size_t size) {
    uint32_t v = 0;
    for (size_t i = 0; i < size; ++i)
        v |= static_cast<uint32_t>(c.bytes[offset + i]) << (8 * i);
    return v;
}

UvcxVideoConfig hinted(uint16_t hint_bits) {
    UvcxVideoConfig c = zeroed_config();
    set_hints(c, hint_bits);
    return c;
}

}  // namespace

UvcxVideoConfig zeroed_config() {
    return UvcxVideoConfig{};
}

void set_frame_interval(UvcxVideoConfig &c, uint32_t v) {
    put_le(c, kFrameIntervalOffset, v, 4);
}
void set_bit_rate(UvcxVideoConfig &c, uint32_t v) {
    put_le(c, kBitRateOffset, v, 4);
}
void set_hints(UvcxVideoConfig &c, uint16_t v) {
    put_le(c, kHintsOffset, v, 2);
}
void set_width(UvcxVideoConfig &c, uint16_t v) {
    put_le(c, kWidthOffset, v, 2);
}
void set_height(UvcxVideoConfig &c, uint16_t v) {
    put_le(c, kHeightOffset, v, 2);
}
void set_profile(UvcxVideoConfig &c, uint16_t v) {
    put_le(c, kProfileOffset, v, 2);
}
void set_iframe_period(UvcxVideoConfig &c, uint16_t v) {
    put_le(c, kIFramePeriodOffset, v, 2);
}
void set_rate_control_mode(UvcxVideoConfig &c, uint8_t v) {
    put_le(c, kRateControlModeOffset, v, 1);
}

uint32_t frame_interval(const UvcxVideoConfig &c) {
    return get_le(c, kFrameIntervalOffset, 4);
}
uint32_t bit_rate(const UvcxVideoConfig &c) {
    return get_le(c, kBitRateOffset, 4);
}
uint16_t hints(const UvcxVideoConfig &c) {
    return static_cast<uint16_t>(get_le(c, kHintsOffset, 2));
}
uint16_t width(const UvcxVideoConfig &c) {
    return static_cast<uint16_t>(get_le(c, kWidthOffset, 2));
}
uint16_t height(const UvcxVideoConfig &c) {
    return static_cast<uint16_t>(get_le(c, kHeightOffset, 2));
}
uint16_t profile(const UvcxVideoConfig &c) {
    return static_cast<uint16_t>(get_le(c, kProfileOffset, 2));
}
uint16_t iframe_period(const UvcxVideoConfig &c) {
    return static_cast<uint16_t>(get_le(c, kIFramePeriodOffset, 2));
}
uint8_t rate_control_mode(const UvcxVideoConfig &c) {
    return static_cast<uint8_t>(get_le(c, kRateControlModeOffset, 1));
}

// Conversions of an int to a narrower unsigned field are modular: the low bits are kept.
UvcxVideoConfig resolution_request(int w, int h) {
    UvcxVideoConfig c = hinted(UVCX_HINTS_RESOLUTION);
    set_width(c, static_cast<uint16_t>(w));
    set_height(c, static_cast<uint16_t>(h));
    return c;
}

UvcxVideoConfig frame_rate_request(uint32_t fps) {
    UvcxVideoConfig c = hinted(UVCX_HINTS_FRAME_INTERVAL);
    set_frame_interval(c, frame_interval_from_fps(fps));
    return c;
}

UvcxVideoConfig profile_request(int p) {
    UvcxVideoConfig c = hinted(UVCX_HINTS_PROFILE);
    set_profile(c, static_cast<uint16_t>(p));
    return c;
}

UvcxVideoConfig rate_control_mode_request(int mode) {
    UvcxVideoConfig c = hinted(UVCX_HINTS_RATE_CONTROL_MODE);
    set_rate_control_mode(c, static_cast<uint8_t>(mode));
    return c;
}

UvcxVideoConfig bit_rate_request(int rate) {
    UvcxVideoConfig c = hinted(UVCX_HINTS_BIT_RATE);
    set_bit_rate(c, static_cast<uint32_t>(rate));
    return c;
}

UvcxVideoConfig iframe_period_request(int period) {
    UvcxVideoConfig c = hinted(UVCX_HINTS_IFRAME_PERIOD);
    set_iframe_period(c, static_cast<uint16_t>(period));
    return c;
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
