#include "uvc/uvc_h264.h"

#include "orv_log.h"
#include "uvc/uvc_xu_query.h"

namespace uvcx = orv::uvcx;

namespace {

// How a setting travels between the caller's int and its field.
enum class Widening {
    kSigned16,        // a 16-bit field read back as a signed value
    kUnsigned8,       // an 8-bit field read back as 0..255
    kSigned32,        // the 32 bits of the int both ways
    kFramesPerSecond  // frames per second to and from the 100 ns frame interval
};

// One of the six encoder settings: its field(s) and bmHints, its widening, and the names and
// texts its set and get log: a set's text takes the value(s); a get shows the descriptor, or
// the unit and the descriptor.
struct Row {
    const uvcx::Setting &setting;
    Widening widening;
    const char *set_name;
    const char *set_text;
    const char *get_name;
    bool get_shows_unit;
};

const Row kResolution = {uvcx::kResolutionSetting,  Widening::kSigned16,
                         "uvc_set_h264_resolution", "[%d][%s] widthxheight:%dx%d",
                         "uvc_get_h264_resolution", false};
const Row kFrameRate = {uvcx::kFrameRateSetting,  Widening::kFramesPerSecond,
                        "uvc_set_h264_framerate", "[%d][%s] framerate:%d",
                        "uvc_get_h264_framerate", false};
const Row kProfile = {uvcx::kProfileSetting, Widening::kSigned16,    "uvc_set_h264_profile",
                      "[%d][%s] profile:%d", "uvc_get_h264_profile", false};
const Row kRateControlMode = {uvcx::kRateControlSetting,        Widening::kUnsigned8,
                              "uvc_set_h264_rate_control_mode", "[%d][%s] mode:%d",
                              "uvc_get_h264_rate_control_mode", true};
const Row kBitRate = {uvcx::kBitRateSetting, Widening::kSigned32,    "uvc_set_h264_bitrate",
                      "[%d][%s] bitrate:%d", "uvc_get_h264_bitrate", true};
const Row kIFramePeriod = {uvcx::kIFramePeriodSetting,   Widening::kSigned16,
                           "uvc_set_h264_iframe_peroid", "[%d][%s] iframe peroid:%d",
                           "uvc_get_h264_iframe_peroid", true};

uint32_t to_field(Widening w, int value) {
    return w == Widening::kFramesPerSecond
               ? uvcx::frame_interval_from_fps(static_cast<uint32_t>(value))
               : static_cast<uint32_t>(value);
}

int from_field(Widening w, uint32_t field) {
    switch (w) {
        case Widening::kSigned16:
            return uvcx::widen_signed16(static_cast<uint16_t>(field));
        case Widening::kUnsigned8:
            return static_cast<int>(field);
        case Widening::kSigned32:
            return uvcx::as_signed32(field);
        case Widening::kFramesPerSecond:
            return static_cast<int>(uvcx::fps_from_frame_interval(field));
    }
    return 0;
}

// Commits the setting's request; 0, or -1.
int set(const Row &row, int unit, int fd, int value, int second = 0) {
    ORV_LOG(ANDROID_LOG_INFO, ORV_TAG_UVC, row.set_text, __LINE__, row.set_name, value, second);
    UvcxVideoConfig block =
        uvcx::request(row.setting, to_field(row.widening, value), static_cast<uint32_t>(second));
    return send_uvc_command_set(unit, fd, &block);
}

// Reads the camera's configuration and stores the setting (and its second field) in the
// outputs given; 0, or 1 with them untouched.
int get(const Row &row, int unit, int fd, int *value, int *second = nullptr) {
    if (row.get_shows_unit)
        ORV_LOG_FN(ANDROID_LOG_INFO, ORV_TAG_UVC, row.get_name, " unit:%x fd:%d",
                   static_cast<unsigned>(unit), fd);
    else
        ORV_LOG_FN(ANDROID_LOG_INFO, ORV_TAG_UVC, row.get_name, " fd:%d", fd);
    UvcxVideoConfig block = uvcx::zeroed_config();
    const int ret = send_uvc_command_get(unit, fd, &block);
    if (ret != 0)
        return ret;
    if (value)
        *value = from_field(row.widening, uvcx::get_field(block, row.setting.field));
    if (second)
        *second = from_field(row.widening, uvcx::get_field(block, row.setting.second));
    return ret;
}

}  // namespace

extern "C" int uvc_set_h264_resolution(int unit, int fd, int width, int height) {
    return set(kResolution, unit, fd, width, height);
}

extern "C" int uvc_get_h264_resolution(int unit, int fd, int *width, int *height) {
    return get(kResolution, unit, fd, width, height);
}

extern "C" int uvc_set_h264_framerate(int unit, int fd, unsigned int fps) {
    return set(kFrameRate, unit, fd, static_cast<int>(fps));
}

extern "C" int uvc_get_h264_framerate(int unit, int fd, unsigned int *fps) {
    int value = 0;
    const int ret = get(kFrameRate, unit, fd, &value);
    if (ret == 0 && fps)
        *fps = static_cast<unsigned int>(value);
    return ret;
}

extern "C" int uvc_set_h264_profile(int unit, int fd, int profile) {
    return set(kProfile, unit, fd, profile);
}

extern "C" int uvc_get_h264_profile(int unit, int fd, int *profile) {
    return get(kProfile, unit, fd, profile);
}

extern "C" int uvc_set_h264_rate_control_mode(int unit, int fd, int mode) {
    return set(kRateControlMode, unit, fd, mode);
}

extern "C" int uvc_get_h264_rate_control_mode(int unit, int fd, int *mode) {
    return get(kRateControlMode, unit, fd, mode);
}

extern "C" int uvc_set_h264_bitrate(int unit, int fd, int bitrate) {
    return set(kBitRate, unit, fd, bitrate);
}

extern "C" int uvc_get_h264_bitrate(int unit, int fd, int *bitrate) {
    return get(kBitRate, unit, fd, bitrate);
}

extern "C" int uvc_set_h264_iframe_peroid(int unit, int fd, int period) {
    return set(kIFramePeriod, unit, fd, period);
}

extern "C" int uvc_get_h264_iframe_peroid(int unit, int fd, int *period) {
    return get(kIFramePeriod, unit, fd, period);
}
