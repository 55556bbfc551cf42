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

// Whether the device captures: from a start_capture that succeeded to its stop or close.
bool capturing(const CameraDevice *slot);
void set_capturing(const CameraDevice *slot, bool on);

// Asks the camera for an I-frame with the device's unit, at most once a second per device.
// Used by the device's own reading thread only.
void ask_for_iframe(const CameraDevice *slot);

// The slot of an open device: `fd` above 0 and held by a slot, else null. No message.
CameraDevice *open_slot(int fd);

// ---- Encoder settings: read, compare, write, read back (camera_settings.cpp) ---------------

// A setting's value: one number, or two (width and height; an I-frame period and the GOP
// length shown beside it).
struct SettingValue {
    int first;
    int second;
};

// How one encoder setting is read (0, or nonzero with the value untouched) and written (a
// negative result on failure) through the extension unit.
struct SettingCalls {
    int (*get)(int unit, int fd, SettingValue *value);
    int (*set)(int unit, int fd, SettingValue value);
};
extern const SettingCalls kResolutionCalls;
extern const SettingCalls kFramerateCalls;
extern const SettingCalls kProfileCalls;
extern const SettingCalls kRateControlModeCalls;
extern const SettingCalls kBitrateCalls;
extern const SettingCalls kIFramePeriodCalls;
// The node's V4L2 frame rate (the unit is not used).
extern const SettingCalls kV4l2FpsCalls;

// One way of bringing a setting to a target, with the lines it logs: each text follows the
// "[camera_device:<line>] [<op>]" prefix and is given the value's two numbers (a text with
// fewer placeholders ignores the rest). A null text logs nothing.
enum SyncFlags : unsigned {
    kSyncPlain = 0,
    kAlwaysWrite = 1,    // write even when the camera already holds the target
    kShowGop = 2,        // values shown with their GOP length (second = first * fps)
    kDoneShowsRead = 4,  // the done line shows the value read last, not the target
};
struct SettingSync {
    const SettingCalls &calls;
    SettingValue start;           // what the comparison sees when the first read fails
    unsigned flags;               // SyncFlags
    const char *prewrite_failed;  // given: the target is written once before the first read
    const char *old_failed;
    const char *old_value;
    const char *skip;
    const char *set_value;
    const char *write_failed;  // given: a refused write ends the sync with -1; else ignored
    const char *new_failed;
    const char *new_value;
    const char *done;
};

// Logs `text` (as SettingSync's texts) at `priority` under `op`.
void log_setting(int priority, const char *op, const char *text, SettingValue value);

// Reads the camera's value; when it differs from `target` (or kAlwaysWrite) writes the target
// and reads it back; then logs the done line. 0, or -1 for a refused write that counts. `last`
// (when given) receives the value read last (the start value when no read worked).
int sync_setting(const SettingSync &s, const char *op, int unit, int fd, SettingValue target,
                 int fps = 0, SettingValue *last = nullptr);

}  // namespace device
}  // namespace orv
