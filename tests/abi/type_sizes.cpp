// Type sizes that both libraries rely on, on 64-bit and 32-bit processors alike.
#include <jni.h>

#include <cstdint>
#include <ctime>

#include "uvc/uvcx_video_config.h"

// A Java long handle holds the address of a native heap cell (the audio streams' handles).
static_assert(sizeof(jlong) >= sizeof(void *), "a jlong cannot hold a pointer");
static_assert(sizeof(jlong) == 8 && sizeof(jint) == 4, "JNI integer sizes");

// Debian's 32-bit ARM libraries (libusb, x264) and bionic's 32-bit ABI use a 32-bit time_t:
// building with _TIME_BITS=64 would give struct timeval and struct v4l2_buffer another layout
// than theirs.
static_assert(sizeof(time_t) == sizeof(long), "time_t must stay the C library's native width");

// The H.264 unit's video configuration block travels to the camera as exactly 46 bytes.
static_assert(sizeof(UvcxVideoConfig) == 46, "UvcxVideoConfig is not 46 bytes");
