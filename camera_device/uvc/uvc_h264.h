// H.264 encoder settings of the camera, over the UVC H.264 extension unit.
//
// Every function exchanges the 46-byte video configuration block with the unit `unit` (its
// low 8 bits are sent; 12, or 13 on some hosts' second node) through the open video node `fd`.
// A set commits one field straight away (no probe first, no check of what the camera took).
// A get reads the camera's current configuration.
//
// Results: a set gives 0, or -1 on failure; a get gives 0 with its output(s) filled, or 1 on
// failure with its output(s) untouched. Callers test a set for a negative result and a get for
// a nonzero one. A null output pointer is simply not written.
//
// Values are not range-checked: widths, heights, profiles and periods are cut to their low 16
// bits, the rate-control mode to its low 8 bits. Frame rate 0 is sent as the largest frame
// interval (0xFFFFFFFF), and a camera answering frame interval 0 reads as frame rate
// 0xFFFFFFFF. No lock: any thread.
#pragma once

#include "uvc/uvcx_video_config.h"

#ifdef __cplusplus
extern "C" {
#endif
// Exported from libvistara (the rest of the library is hidden).
#pragma GCC visibility push(default)

int uvc_set_h264_resolution(int unit, int fd, int width, int height);
// 16-bit fields widened as signed values.
int uvc_get_h264_resolution(int unit, int fd, int *width, int *height);

// dwFrameInterval = 10000000 / fps in single precision, truncated (30 fps is 333333).
int uvc_set_h264_framerate(int unit, int fd, unsigned int fps);
// fps = 10000000 / dwFrameInterval in single precision, truncated.
int uvc_get_h264_framerate(int unit, int fd, unsigned int *fps);

// A UVCX_H264_wProfile_* value.
int uvc_set_h264_profile(int unit, int fd, int profile);
int uvc_get_h264_profile(int unit, int fd, int *profile);

// UVCX_RATE_CONTROL_CBR, _VBR or _CONST_QP.
int uvc_set_h264_rate_control_mode(int unit, int fd, int mode);
int uvc_get_h264_rate_control_mode(int unit, int fd, int *mode);

// Passed through unchanged (the 32 bits of the int).
int uvc_set_h264_bitrate(int unit, int fd, int bitrate);
int uvc_get_h264_bitrate(int unit, int fd, int *bitrate);

// The period as the caller counts it (the camera manager gives seconds).
int uvc_set_h264_iframe_peroid(int unit, int fd, int period);
int uvc_get_h264_iframe_peroid(int unit, int fd, int *period);

#pragma GCC visibility pop

#ifdef __cplusplus
}
#endif
