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

// Field offsets in the block.
enum Offset : size_t {
    kFrameIntervalOffset = 0,     // dwFrameInterval, 4 bytes, 100 ns units
    kBitRateOffset = 4,           // dwBitRate, 4 bytes
    kHintsOffset = 8,             // bmHints, 2 bytes
    kWidthOffset = 12,            // wWidth, 2 bytes
    kHeightOffset = 14,           // wHeight, 2 bytes
    kProfileOffset = 20,          // wProfile, 2 bytes
    kIFramePeriodOffset = 22,     // wIFramePeriod, 2 bytes
    kRateControlModeOffset = 29,  // bRateControlMode, 1 byte
};
static_assert(kRateControlModeOffset + 1 <= UVCX_VIDEO_CONFIG_SIZE, "field outside the block");

// 46 zero bytes: every request starts from this.
UvcxVideoConfig zeroed_config();

void set_frame_interval(UvcxVideoConfig &c, uint32_t v);
void set_bit_rate(UvcxVideoConfig &c, uint32_t v);
void set_hints(UvcxVideoConfig &c, uint16_t v);
void set_width(UvcxVideoConfig &c, uint16_t v);
void set_height(UvcxVideoConfig &c, uint16_t v);
void set_profile(UvcxVideoConfig &c, uint16_t v);
void set_iframe_period(UvcxVideoConfig &c, uint16_t v);
void set_rate_control_mode(UvcxVideoConfig &c, uint8_t v);

uint32_t frame_interval(const UvcxVideoConfig &c);
uint32_t bit_rate(const UvcxVideoConfig &c);
uint16_t hints(const UvcxVideoConfig &c);
uint16_t width(const UvcxVideoConfig &c);
uint16_t height(const UvcxVideoConfig &c);
uint16_t profile(const UvcxVideoConfig &c);
uint16_t iframe_period(const UvcxVideoConfig &c);
uint8_t rate_control_mode(const UvcxVideoConfig &c);

// The set requests: a zeroed block with the field(s) and bmHints of one change. Values wider
// than their field are cut to its low bits.
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
