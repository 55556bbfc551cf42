// The capture side of a video node: open, identity, format, frame rate, streaming buffers and
// frame reads, plus two pure helpers (pixel-format names, frame sizes).
//
// Every function works on a descriptor the caller owns, keeps no state between calls and takes
// no lock; calls on one descriptor are kept in order by the caller. Failures are reported by the
// result and, where noted, one line under "ORVCam/v4l2" through the orv.log.level gate; nothing
// already done is undone (granted buffers, mappings and queued buffers stay).
//
// Memory types: 1 (V4L2_MEMORY_MMAP, what the camera manager uses) or 2 (V4L2_MEMORY_USERPTR).
#pragma once

#include <linux/videodev2.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif
// Exported from libvistara (the rest of the library is hidden).
#pragma GCC visibility push(default)

// One streaming buffer as the caller records it.
typedef struct CaptureBuffer {
    void *start;      // the mapping (memory type 1) or the user buffer (memory type 2)
    uint32_t offset;  // the mmap offset VIDIOC_QUERYBUF reported
    uint32_t length;  // bytes
} CaptureBuffer;

// Opens `path` read-write and non-blocking. Returns the descriptor (> 0), or -1 with errno set
// (a null path gives -1 with nothing logged).
int v4l2_open_video(const char *path);

// Closes fd when it is > 0 and returns close's result; otherwise returns fd, closing nothing.
int v4l2_close_video(int fd);

// Logs the node's driver, card, bus and version (INFO); a failed query logs nothing.
void v4l2_get_video_cap(int fd);

// 1 when the node answers VIDIOC_QUERYCAP as a video capture device with streaming I/O, else
// 0 (a file, FIFO or character device that is no video node included). Logs nothing.
int v4l2_is_streaming_capture(int fd);

// Writes the brightness control; returns the VIDIOC_S_CTRL result (0 or -1).
int v4l2_set_brightness(int fd, int brightness);

// Reads the brightness control into *brightness when the node has one and the read works; else
// *brightness is untouched. Always returns 0.
int v4l2_get_brightness(int fd, int *brightness);

// Logs each offered format, then stores the current pixel format, width and height. Returns 0,
// or -1 with the outputs untouched.
int v4l2_get_video_fmt(int fd, int *pixfmt, int *width, int *height);

// Asks for pixfmt at width x height with field V4L2_FIELD_INTERLACED (4), the other format
// fields as the driver holds them. Returns 0 or -1. The driver may adjust the values: read
// them back with v4l2_get_video_fmt.
int v4l2_set_video_fmt(int fd, int pixfmt, int width, int height);

// Stores the current whole frames per second (denominator / numerator, truncated: 1001/30000
// reads 29). Returns 0, or -1 with *fps untouched (also when the driver reports a zero
// numerator).
int v4l2_get_fps(int fd, int *fps);

// Sets the frame interval to 1/fps. Returns the VIDIOC_S_PARM result (0 or -1).
int v4l2_set_fps(int fd, int fps);

// Requests `count` buffers of `memory` type and records them in buffers[0..count-1]: for type
// 1 each is queried and mapped (start, offset, length); for type 2 each record's start/length
// are handed to the driver. Returns 0, or -1 when the request fails, fewer than `count` are
// granted (nothing recorded then), or a query or mapping fails (mappings made before stay
// recorded). Extra buffers a driver grants above `count` are neither recorded nor mapped.
// For type 1 every record that still holds a mapping (start not null) is unmapped before the
// request, so records must start zeroed or come from an earlier v4l2_req_buf, and no stream may
// run on them.
int v4l2_req_buf(int fd, CaptureBuffer *buffers, unsigned int count, int memory);

// Memory type 1: unmaps each of the `count` records that holds a mapping and clears its start
// (a failure is logged and keeps the record, the rest go on); a record with no mapping is
// skipped, so a second release unmaps nothing. Other types: nothing. The driver's buffers are
// not freed. Returns 0.
int v4l2_release_buf(int fd, CaptureBuffer *buffers, unsigned int count, int memory);

// Queues buffers[0..count-1] and turns streaming on. Returns 0, or -1 (buffers queued before a
// failure stay queued).
int v4l2_start_capture(int fd, CaptureBuffer *buffers, unsigned int count, int memory);

// Turns streaming off; the outcome is logged only.
void v4l2_stop_capture(int fd);

// Clears *buf and dequeues one filled buffer into it (index, bytesused, ...). Returns the
// VIDIOC_DQBUF result: 0, or -1 (EAGAIN when no frame is ready; the node is non-blocking).
// Does not allocate.
int v4l2_read_frame(int fd, struct v4l2_buffer *buf, int memory);

// Gives a buffer dequeued by v4l2_read_frame back to the driver, the record as it was left.
// A failure is logged only.
void v4l2_queue_buf(int fd, struct v4l2_buffer *buf);

// The V4L2 name of a fourcc ("V4L2_PIX_FMT_H264", ...), or "" for an unknown code. Never null;
// the string is constant.
const char *v4l2_get_pixfmt_name(int pixfmt);

// Bytes of one frame: width * height * bits per pixel / 8, in wrapping unsigned 32-bit
// arithmetic (compressed and unknown formats count 8 bits per pixel).
uint32_t v4l2_get_video_size(int pixfmt, unsigned int width, unsigned int height);

#pragma GCC visibility pop

#ifdef __cplusplus
}
#endif
