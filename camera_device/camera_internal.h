// Inside the camera manager: its log prefix, the code converters, the table's slot entry and
// the frame each device keeps out of the driver until its caller is done with it.
#pragma once

#include <linux/videodev2.h>

#include <stdint.h>

#include <functional>

#include "camera_device.h"
#include "orv_log.h"

// "[camera_device:<line>] [<op>]" + fmt, under "ORVCam/device". Every file of the manager
// logs as the one source it presents itself as.
#define CAM_LOG(priority, op, fmt, ...) \
    ORV_LOG_AT(priority, ORV_TAG_DEVICE, "camera_device", op, fmt, ##__VA_ARGS__)

// The same prefix for formats chosen at run time from a table: `fmt` is CAM_AT "...", and
// exactly one value follows (a format without a placeholder simply ignores it).
#define CAM_AT "[%s:%d] [%s]"
#define CAM_LOG_TABLE(priority, op, fmt, value) \
    ORV_LOG(priority, ORV_TAG_DEVICE, fmt, "camera_device", __LINE__, op, value)

namespace orv {
namespace device {

// Java profile code (1, 2, 8) to the extension unit's wProfile; any other code gives -1.
// Each converter logs its code and result at INFO under its own name.
int convert_profile(int code);
// Java rate-control code 0, 1, 2 to the unit's mode 3, 2, 1; any other code gives -1.
int convert_rate_control_mode(unsigned int code);

// Milliseconds of the monotonic clock.
int64_t monotonic_ms();

// Reserves `dev_name` for one open_device, in one step with the check that no slot holds it
// (a free slot's name is ""): false when a slot holds it or another open is opening it. The
// claim lasts until release_name, so of two opens of one node at the same moment one wins.
bool claim_name(const char *dev_name);
void release_name(const char *dev_name);

// Runs `use` with the descriptor of the slot that holds `dev_name`, under the table lock, so no
// close can release the descriptor meanwhile. False (and `use` not run) when no slot holds it.
bool with_opened_node(const char *dev_name, const std::function<void(int fd)> &use);

// Enters an opened, configured descriptor in the lowest free slot (with its dump file when
// asked), remembering the extension unit it was opened with. Returns the slot, or null when
// all four are taken (the caller then closes `fd`).
CameraDevice *enter_device(int fd, const char *dev_name, int unit, int dump_enable,
                           const char *dump_path);

// The frame that read_h264_data last delivered on the device's slot, kept out of the driver.
// hold_frame records it; requeue_held_frame gives it back to the driver (if any);
// forget_held_frame drops the record without a request (the stream was stopped, the
// descriptor closed, or fresh buffers were queued). Used by the device's own thread only.
void hold_frame(const CameraDevice *slot, const struct v4l2_buffer &frame);
void requeue_held_frame(const CameraDevice *slot);
void forget_held_frame(const CameraDevice *slot);

// Asks the camera for an I-frame with the device's unit, at most once a second per device.
// Used by the device's own reading thread only.
void ask_for_iframe(const CameraDevice *slot);

// The slot of an open device: `fd` above 0 and held by a slot, else null. No message.
CameraDevice *open_slot(int fd);

}  // namespace device
}  // namespace orv
