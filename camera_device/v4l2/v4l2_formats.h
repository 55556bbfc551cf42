// What a video node offers: H.264/H.265 formats, the camera's USB identity, and its frame sizes
// and rates as comma-separated texts ("1920x1080,1280x720", "30,15").
//
// No state, no lock; fd is a node opened by the caller (v4l2_open_video). Enumeration traces go
// out as DEBUG lines under "ORVCam/v4l2". A format with fourcc code 0 counts as H.265.
//
// Texts: each is NUL-terminated and never written past its capacity (any capacity, 0 included;
// a capacity of 0 writes nothing). A pass that finds no discrete entry leaves the text as it was;
// otherwise the pass starts the text afresh. An entry that does not fit ends the list with a
// WARN line, keeping the entries before it.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif
// Exported from libvistara (the rest of the library is hidden).
#pragma GCC visibility push(default)

// Sets *h264 and *h265 to 1 when the node offers H.264 / a code-0 format, else 0. Returns 0.
int v4l2_pixel_format_support(int fd, int *h264, int *h265);

// Index of the first H.264 format, or -1.
int v4l2_support_h264(int fd);

// Index of the first format with code 0, or -1.
int v4l2_support_h265(int fd);

// The USB vendor and product of the camera behind the node (the driver's identity request).
// Returns 0, or -1 with the outputs untouched. Logs nothing.
int v4l2_get_video_vid_pid(int fd, uint16_t *vid, uint16_t *pid);

// Logs each offered format and runs v4l2_get_support_frame_sizes for it; the texts left are
// those of the last format with discrete entries. A negative capacity counts as 0. Returns 0.
int v4l2_get_support_resolutions(int fd, char *sizes, int sizes_cap, char *rates, int rates_cap);

// Writes the discrete frame sizes of pixfmt to `sizes` and the whole frame rates of the last
// size the driver listed (the one that did not fit, when `sizes` was full) to `rates`. A
// continuous or stepwise size range is logged, and no rates are enumerated. Returns 0, or the
// errno value when the enumeration failed other than by its normal end (EINVAL).
int v4l2_get_support_frame_sizes(int fd, int pixfmt, char *sizes, unsigned int sizes_cap,
                                 char *rates, unsigned int rates_cap);

// Writes the whole frame rates (denominator / numerator, truncated) of the discrete intervals of
// pixfmt at width x height to `rates`; an interval with numerator 0 is skipped. A continuous or
// stepwise range ends the list. Returns 0, or the errno value when the enumeration failed other
// than by its normal end (EINVAL).
int v4l2_get_support_frame_intervals(int fd, int pixfmt, int width, int height, char *rates,
                                     unsigned int rates_cap);

#pragma GCC visibility pop

#ifdef __cplusplus
}
#endif
