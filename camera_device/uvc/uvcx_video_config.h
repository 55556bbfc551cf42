// The H.264 extension unit's 46-byte video configuration block (UvcxVideoConfig).
//
// The block is kept as the bytes that travel to the camera: multi-byte fields are
// little-endian at fixed offsets with no padding, so it is written and read one field at a
// time and never by laying a host struct over it. Only the fields this library sends or reads
// have accessors; the standard's other fields stay zero.
#pragma once

#include <stddef.h>
#include <stdint.h>

#define UVCX_VIDEO_CONFIG_SIZE 46

typedef struct UvcxVideoConfig {
    uint8_t bytes[UVCX_VIDEO_CONFIG_SIZE];
} UvcxVideoConfig;

// Selectors of the H.264 unit.
#define UVCX_VIDEO_CONFIG_PROBE 0x01
#define UVCX_VIDEO_CONFIG_COMMIT 0x02
#define UVCX_PICTURE_TYPE_CONTROL 0x09

// bmHints of a set request: every bit set except the one of the field being changed.
#define UVCX_HINTS_RESOLUTION 0xFFFE
#define UVCX_HINTS_PROFILE 0xFFFD
#define UVCX_HINTS_RATE_CONTROL_MODE 0xFFFB
#define UVCX_HINTS_FRAME_INTERVAL 0xF7FF
#define UVCX_HINTS_BIT_RATE 0xDFFF
#define UVCX_HINTS_IFRAME_PERIOD 0x7FFF

// wProfile values.
#define UVCX_H264_wProfile_BASELINEPROFILE 0x4200
#define UVCX_H264_wProfile_MAINPROFILE 0x4D00
#define UVCX_H264_wProfile_HIGHPROFILE 0x6400

// bRateControlMode values.
#define UVCX_RATE_CONTROL_CBR 1
#define UVCX_RATE_CONTROL_VBR 2
#define UVCX_RATE_CONTROL_CONST_QP 3

#ifdef __cplusplus

static_assert(sizeof(UvcxVideoConfig) == UVCX_VIDEO_CONFIG_SIZE,
              "UvcxVideoConfig must be exactly the 46 bytes sent to the camera");

namespace orv {
namespace uvcx {

// A field of the block: its offset and size in bytes.
struct Field {
    size_t offset;
    size_t size;
};
constexpr Field kFrameInterval = {0, 4};     // dwFrameInterval, 100 ns units
constexpr Field kBitRate = {4, 4};           // dwBitRate
constexpr Field kHints = {8, 2};             // bmHints
constexpr Field kWidth = {12, 2};            // wWidth
constexpr Field kHeight = {14, 2};           // wHeight
constexpr Field kProfile = {20, 2};          // wProfile
constexpr Field kIFramePeriod = {22, 2};     // wIFramePeriod
constexpr Field kRateControlMode = {29, 1};  // bRateControlMode
static_assert(kRateControlMode.offset + kRateControlMode.size <= UVCX_VIDEO_CONFIG_SIZE,
              "field outside the block");

// 46 zero bytes: every request starts from this.
UvcxVideoConfig zeroed_config();

// Writes the low bits of `v` that fit the field / reads the field.
void put_field(UvcxVideoConfig &c, Field f, uint32_t v);
uint32_t get_field(const UvcxVideoConfig &c, Field f);

// One encoder setting: the field it occupies (and a second one: the resolution's height; size
// 0 for none) and the bmHints of its set request (every bit set but the setting's).
struct Setting {
    Field field;
    Field second;
    uint16_t hints;
};
constexpr Setting kResolutionSetting = {kWidth, kHeight, UVCX_HINTS_RESOLUTION};
constexpr Setting kFrameRateSetting = {kFrameInterval, {}, UVCX_HINTS_FRAME_INTERVAL};
constexpr Setting kProfileSetting = {kProfile, {}, UVCX_HINTS_PROFILE};
constexpr Setting kRateControlSetting = {kRateControlMode, {}, UVCX_HINTS_RATE_CONTROL_MODE};
constexpr Setting kBitRateSetting = {kBitRate, {}, UVCX_HINTS_BIT_RATE};
constexpr Setting kIFramePeriodSetting = {kIFramePeriod, {}, UVCX_HINTS_IFRAME_PERIOD};

// The set request of a setting: a zeroed block with its bmHints and `v` (and `second`) in its
// field(s), cut to their low bits.
UvcxVideoConfig request(const Setting &s, uint32_t v, uint32_t second = 0);

inline uint32_t frame_interval(const UvcxVideoConfig &c) {
    return get_field(c, kFrameInterval);
}
inline uint32_t bit_rate(const UvcxVideoConfig &c) {
    return get_field(c, kBitRate);
}
inline uint16_t hints(const UvcxVideoConfig &c) {
    return uint16_t(get_field(c, kHints));
}
inline uint16_t width(const UvcxVideoConfig &c) {
    return uint16_t(get_field(c, kWidth));
}
inline uint16_t height(const UvcxVideoConfig &c) {
    return uint16_t(get_field(c, kHeight));
}
inline uint16_t profile(const UvcxVideoConfig &c) {
    return uint16_t(get_field(c, kProfile));
}
inline uint16_t iframe_period(const UvcxVideoConfig &c) {
    return uint16_t(get_field(c, kIFramePeriod));
}
inline uint8_t rate_control_mode(const UvcxVideoConfig &c) {
    return uint8_t(get_field(c, kRateControlMode));
}

// The set requests of the six settings (the frame rate sent as its frame interval).
UvcxVideoConfig resolution_request(int width, int height);
UvcxVideoConfig frame_rate_request(uint32_t fps);
UvcxVideoConfig profile_request(int profile);
UvcxVideoConfig rate_control_mode_request(int mode);
UvcxVideoConfig bit_rate_request(int bit_rate);
UvcxVideoConfig iframe_period_request(int period);

// A 16-bit field read as a signed value (0xFFFF is -1).
int32_t widen_signed16(uint16_t v);
// A 32-bit field as the int that callers hold (0xFFFFFFFF is -1).
int32_t as_signed32(uint32_t v);

// 10000000 / fps in single precision, truncated; fps 0 gives 0xFFFFFFFF.
uint32_t frame_interval_from_fps(uint32_t fps);
// 10000000 / interval in single precision, truncated; interval 0 gives 0xFFFFFFFF.
uint32_t fps_from_frame_interval(uint32_t interval);
// Truncates toward zero into 0..0xFFFFFFFF: above the range (infinity included) gives
// 0xFFFFFFFF, below it or NaN gives 0. Never converts an out-of-range float.
uint32_t saturate_to_u32(float v);

}  // namespace uvcx
}  // namespace orv

#endif  // __cplusplus
