// Camera controls (pan, tilt, zoom, focus and any control by id) on an open video node.
//
// Unlike the rest of this layer, problems are reported on standard output (and the failed
// control query on standard error through perror), ungated. No state, no lock; any thread, also
// while the node streams. Results: 0 on success, -1 on failure, unless noted.
#pragma once

#include <linux/videodev2.h>

#ifdef __cplusplus
extern "C" {
#endif
// Exported from libvistara (the rest of the library is hidden).
#pragma GCC visibility push(default)

// Ids the cameras' driver maps beyond the standard camera-class controls.
#define ORV_CID_PANTILT_RELATIVE 0x009A0922
#define ORV_CID_FOCUS_FAR_NEAR 0x009A0923

// Queries control `id` into *query. Returns 1 (boolean-like type) or 0 (integer-like type) when
// the control can be used; -1 when the query fails, the control is disabled, or its type is
// not supported (buttons, bitmasks, ...). Callers treat 0 and 1 alike.
int isv4l2Control(int fd, int id, struct v4l2_queryctrl *query);

// Reads control `id` into *value (untouched on failure).
int v4l2GetControl(int fd, int id, int *value);

// Writes `value` to control `id`. A value outside the control's range prints "set value error"
// and returns 0 without writing; the step is not checked.
int v4l2SetControl(int fd, int id, int value);

// Write the control's default, minimum or maximum.
int v4l2SetDefault(int fd, int id);
int v4l2SetMin(int fd, int id);
int v4l2SetMax(int fd, int id);

// Continuous moves: the sign gives the direction (pan +right/-left, tilt +up/-down, zoom
// +in/-out), 0 stops.
int v4l2PanLeftRight(int fd, int speed);
int v4l2TiltUpDown(int fd, int speed);
int v4l2ZoomInOut(int fd, int speed);
int v4l2FocusFarNear(int fd, int value);
int v4l2FocusAuto(int fd, int value);

// Absolute positions.
int v4l2SetPanPosition(int fd, int position);
int v4l2SetTiltPosition(int fd, int position);
int v4l2SetZoomPosition(int fd, int position);
int v4l2SetFocusPosition(int fd, int position);

// Relative pan/tilt move in one value: byte 0 the pan direction (1 positive, 0xFF negative,
// 0 none), byte 1 the pan speed (|pan|, at most 255), bytes 2 and 3 the same for tilt.
// (0, 0) writes 0: both axes stop.
int v4l2PanTiltRelative(int fd, int pan, int tilt);

// Reads; *value is untouched on failure.
int v4l2GetFocusAuto(int fd, int *value);
int v4l2GetPanPosition(int fd, int *value);
int v4l2GetTiltPosition(int fd, int *value);
int v4l2GetZoomPosition(int fd, int *value);
int v4l2GetFocusPosition(int fd, int *value);

// Pan then tilt position; a failed pan leaves the tilt alone.
int v4l2PanTiltAbsolute(int fd, int pan, int tilt);

// Stops a relative pan/tilt move (v4l2PanTiltRelative(fd, 0, 0)).
int v4l2PanTiltStop(int fd);

// Pan, tilt, zoom, focus auto and focus position to their defaults, in that order; the first
// failure ends the sequence and its result (-1) is returned.
int v4l2SetPtzToHome(int fd);

#pragma GCC visibility pop

#ifdef __cplusplus
}
#endif
