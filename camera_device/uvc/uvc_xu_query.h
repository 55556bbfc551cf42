// Extension-unit exchanges with the camera through the uvcvideo driver (UVCIOC_CTRL_QUERY).
// Used inside this layer only; the two block exchanges keep C linkage like the rest of it.
#pragma once

#include <stdint.h>

#include "uvc/uvcx_video_config.h"

#ifdef __cplusplus
extern "C" {
#endif

// Commits `block` to the H.264 unit `unit` (low 8 bits sent): selector
// UVCX_VIDEO_CONFIG_COMMIT, SET_CUR, 46 bytes. Returns the ioctl's result (0), or -1 with an
// ERROR line carrying errno.
int send_uvc_command_set(int unit, int fd, UvcxVideoConfig *block);

// Reads the camera's current configuration (UVCX_VIDEO_CONFIG_PROBE, GET_CUR, 46 bytes) into
// `block`. Returns the ioctl's result (0), or 1 with an ERROR line carrying errno.
int send_uvc_command_get(int unit, int fd, UvcxVideoConfig *block);

#ifdef __cplusplus
}

namespace orv {
namespace uvc {

// One UVCIOC_CTRL_QUERY on fd with a zeroed query record filled from the arguments (the low
// 8 bits of `unit` are sent). Returns the ioctl's result, or -1 with errno set; a null `data`
// with a nonzero size fails with EFAULT, as the driver would, without reaching the device.
int xu_query(int fd, int unit, uint8_t selector, uint8_t query, uint16_t size, uint8_t *data);

// The two lines of a named exchange, each "[<line>][<fn>]" + text: `failed` + ", errno:%d(%s)"
// at ERROR when it fails, `done` + " ret: %d" at INFO when it succeeds.
struct Exchange {
    const char *fn;
    int line;
    const char *failed;
    const char *done;
};
#define UVC_EXCHANGE(fn, failed, done) (::orv::uvc::Exchange{fn, __LINE__, failed, done})

// xu_query with the exchange's lines: its result (0), or -1 with errno as the driver left it.
int checked_xu_query(const Exchange &x, int fd, int unit, uint8_t selector, uint8_t query,
                     uint16_t size, uint8_t *data);

}  // namespace uvc
}  // namespace orv

#endif
