// Type sizes that both libraries rely on, on 64-bit and 32-bit processors alike.
#include <jni.h>
#include <linux/uvcvideo.h>
#include <linux/videodev2.h>

#include <cstddef>
#include <cstdint>
#include <ctime>

#include "uvc/uvcx_video_config.h"
#include "v4l2/v4l2_device.h"

constexpr bool kLp64 = sizeof(void *) == 8;

// A Java long handle holds the address of a native heap cell (the audio streams' handles).
static_assert(sizeof(jlong) >= sizeof(void *), "a jlong cannot hold a pointer");
static_assert(sizeof(jlong) == 8 && sizeof(jint) == 4, "JNI integer sizes");

// Debian's 32-bit ARM libraries (libusb, x264) and bionic's 32-bit ABI use a 32-bit time_t:
// building with _TIME_BITS=64 would give struct timeval and struct v4l2_buffer another layout
// than theirs.
static_assert(sizeof(time_t) == sizeof(long), "time_t must stay the C library's native width");

// The buffer record and the extension-unit query travel to the kernel by size: the request
// codes carry it, and a phone's kernel answers ENOTTY to a code of another size. 32-bit ARM
// (ILP32, 32-bit time_t): 68 and 12 bytes; 64-bit: 88 and 16.
static_assert(sizeof(struct v4l2_buffer) == (kLp64 ? 88 : 68), "struct v4l2_buffer size");
static_assert(VIDIOC_DQBUF == (kLp64 ? 0xC0585611u : 0xC0445611u), "VIDIOC_DQBUF code");
static_assert(VIDIOC_QBUF == (kLp64 ? 0xC058560Fu : 0xC044560Fu), "VIDIOC_QBUF code");
static_assert(VIDIOC_QUERYBUF == (kLp64 ? 0xC0585609u : 0xC0445609u), "VIDIOC_QUERYBUF code");
static_assert(sizeof(struct uvc_xu_control_query) == (kLp64 ? 16 : 12),
              "struct uvc_xu_control_query size");
static_assert(UVCIOC_CTRL_QUERY == (kLp64 ? 0xC0107521u : 0xC00C7521u), "UVCIOC_CTRL_QUERY code");
// Records without pointers or times are the same everywhere.
static_assert(sizeof(struct v4l2_format) == (kLp64 ? 208 : 204), "struct v4l2_format size");
static_assert(sizeof(struct v4l2_requestbuffers) == 20, "struct v4l2_requestbuffers size");
static_assert(sizeof(struct v4l2_control) == 8, "struct v4l2_control size");

// The H.264 unit's video configuration block travels to the camera as exactly 46 bytes.
static_assert(sizeof(UvcxVideoConfig) == 46, "UvcxVideoConfig is not 46 bytes");

// The camera manager keeps four CaptureBuffer records per device: the mapping's address, then
// the 32-bit offset and length, without padding on either width.
static_assert(sizeof(CaptureBuffer) == (kLp64 ? 16 : 12), "CaptureBuffer size");
static_assert(offsetof(CaptureBuffer, offset) == sizeof(void *), "CaptureBuffer.offset");
static_assert(offsetof(CaptureBuffer, length) == sizeof(void *) + 4, "CaptureBuffer.length");
