// The camera library's logging: one gate, five tags, and the two location prefixes.
//
// Every message passes the gate of the "orv.log.level" property, read at each call:
//  - ERROR (6) passes when the property is unset, or when atoi(value) <= 6;
//  - any lower priority passes only when the property is set and atoi(value) <= priority.
// So by default only ERROR lines appear, and "orv.log.level" 3 shows DEBUG and up.
#pragma once

#include <android/log.h>
#include <string.h>

#define ORV_TAG_V4L2 "ORVCam/v4l2"
#define ORV_TAG_UVC "ORVCam/uvc"
#define ORV_TAG_USB "ORVCam/usbcam"
#define ORV_TAG_DEVICE "ORVCam/device"
#define ORV_TAG_JNI "ORVCam/jni"

// "errno:%d(%s)": always filled with ORV_ERRNO_ARGS(e), e being errno read right after the
// failing call.
#define ORV_ERRNO_FMT "errno:%d(%s)"
#define ORV_ERRNO_ARGS(e) (e), strerror(e)

#ifdef __cplusplus
extern "C" {
#endif

// Nonzero when a message of `priority` passes the gate. Leaves errno as it found it.
int orv_log_enabled(int priority);

#ifdef __cplusplus
}
#endif

// A gated message with no prefix.
#define ORV_LOG(priority, tag, ...)                              \
    do {                                                         \
        if (orv_log_enabled(priority))                           \
            __android_log_print((priority), (tag), __VA_ARGS__); \
    } while (0)

// "[%s:%d] [%s]" + fmt: source file name ("camera_device", "camera_device_jni"), the line,
// and the operation's name.
#define ORV_LOG_AT(priority, tag, file, op, fmt, ...) \
    ORV_LOG(priority, tag, "[%s:%d] [%s]" fmt, file, __LINE__, op, ##__VA_ARGS__)

// "[%d][%s]" + fmt: the line and the function's name (the extension-unit layer).
#define ORV_LOG_FN(priority, tag, fn, fmt, ...) \
    ORV_LOG(priority, tag, "[%d][%s]" fmt, __LINE__, fn, ##__VA_ARGS__)
