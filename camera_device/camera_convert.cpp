// The Java-level profile and rate-control codes, turned into the extension unit's values.
#include "camera_internal.h"
#include "uvc/uvcx_video_config.h"

namespace orv {
namespace device {

int convert_profile(int code) {
    int profile = -1;
    const char *name = "";
    switch (code) {
        case 1:
            profile = UVCX_H264_wProfile_BASELINEPROFILE;
            name = "UVCX_H264_wProfile_BASELINEPROFILE";
            break;
        case 2:
            profile = UVCX_H264_wProfile_MAINPROFILE;
            name = "UVCX_H264_wProfile_MAINPROFILE";
            break;
        case 8:
            profile = UVCX_H264_wProfile_HIGHPROFILE;
            name = "UVCX_H264_wProfile_HIGHPROFILE";
            break;
        default:
            break;
    }
    CAM_LOG(ANDROID_LOG_INFO, "convert_profile", " %d to 0x%x:%s", code, profile, name);
    return profile;
}

int convert_rate_control_mode(unsigned int code) {
    // 0 constant QP, 1 variable, 2 constant bit rate: the unit counts the other way round.
    const int mode = code <= 2 ? static_cast<int>(UVCX_RATE_CONTROL_CONST_QP - code) : -1;
    CAM_LOG(ANDROID_LOG_INFO, "convert_rate_control_mode", " %d to 0x%x", code, mode);
    return mode;
}

}  // namespace device
}  // namespace orv
