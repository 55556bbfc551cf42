// The camera manager: the table of opened video nodes, open and close, capture and H.264
// frame reads, and encoder updates on an open camera.
//
// Every function has C linkage, runs on the caller's thread and reports by its result:
// a descriptor or 0 on success, -1 on failure. Messages go to the "ORVCam/device" tag, each
// starting "[camera_device:<line>] [<operation>]".
//
// What callers may rely on:
//  - init_camera_device() runs once, before anything else (the library's load hook calls it).
//  - The table has four slots. A slot pointer from a lookup stays a valid address for the life
//    of the process, but another thread may close or refill the slot at any moment; callers
//    keep the operations of one device on one thread at a time (never stop_capture or
//    close_device while another thread is inside read_h264_data for that device).
//  - One thread reads a device at a time: each read_h264_data gives the previous frame back to
//    the driver, so a second reader would re-queue the buffer the first is still copying.
//  - open_device: the new descriptor (> 0) or -1 for: a null name or settings, a name already
//    open or being opened by another thread, a name of 15 characters or more, a node that
//    cannot be opened, a node that is no streaming video capture device, another maker's
//    camera, a node that keeps another pixel format than the one asked for, or no free slot
//    (the node closed again in every case). Any other failure while configuring (size, frame
//    rate, encoder, dump file) is logged and the open goes on.
//  - close_device neither stops streaming nor unmaps: stop_capture first. A start_capture that
//    fails leaves nothing to undo: streaming off and nothing mapped.
//  - read_h264_data hands out the frame's address inside the mapped buffer, no copy. The
//    bytes stay intact until the next read_h264_data on the device, stop_capture or
//    close_device, whichever comes first.
#pragma once

#include <stdint.h>
#include <stdio.h>

#include "v4l2/v4l2_device.h"

#ifdef __cplusplus
extern "C" {
#endif
// Exported from libvistara (the rest of the library is hidden).
#pragma GCC visibility push(default)

// Number of slots in the table, and capture buffers per device.
#define CAMERA_DEVICE_MAX_OPENED 4
#define CAMERA_DEVICE_CAPTURE_BUFFERS 4
// Size of a slot's dev_name: a node path of at most 14 characters and its NUL.
#define CAMERA_DEVICE_NAME_SIZE 16
// The H.264 dump file stops after the frame that carries it to 8 MiB or beyond.
#define CAMERA_DEVICE_DUMP_LIMIT 0x800000

// One slot of the opened-device table.
typedef struct CameraDevice {
    int fd;  // 0: never used; -1: closed; else the node's descriptor
    char dev_name[CAMERA_DEVICE_NAME_SIZE];  // node path; all zero bytes when free
    int memory;                              // V4L2 memory type of the buffers (1, mmap)
    CaptureBuffer buffers[CAMERA_DEVICE_CAPTURE_BUFFERS];  // filled when capture starts
    FILE *dump_file;                                       // H.264 dump file, or null
    int dump_bytes;                                        // bytes written to dump_file so far
} CameraDevice;

// The settings requested of open_device; only read.
typedef struct CameraParams {
    int pixfmt;             // V4L2 fourcc, 0x34363248 for H.264
    int width;              // pixels
    int height;             // pixels
    int framerate;          // frames per second
    int profile;            // 1 baseline, 2 main, 8 high
    int reserved;           // not read
    int rate_control_mode;  // 0 constant QP, 1 variable, 2 constant bit rate
    int bitrate;            // handed to the camera unchanged
    int iframe_period;      // seconds
} CameraParams;

// ---- Table, open and close -------------------------------------------------------------

// Initialises the table lock (pthread_mutex_init); its result, 0 on success. Only the first
// call initialises; later calls return the first call's result.
int init_camera_device(void);

// Opens `dev_name`, checks it is one of the maker's cameras, brings its V4L2 format, frame
// rate and H.264 encoder settings to `params` (the I-frame period is always written) with the
// extension unit `unit`, and enters it in the lowest free slot. `dump_enable` non-zero asks
// for an H.264 dump file at `dump_path` (an unopenable path leaves the device without one).
int open_device(int unit, const char *dev_name, const CameraParams *params, int dump_enable,
                const char *dump_path);

// Closes the device's descriptor and dump file and frees its slot. A descriptor that no slot
// holds logs an ERROR and changes nothing.
void close_device(int fd);

// The first slot (in slot order, free or not) whose fd equals `fd`, or null.
CameraDevice *findOpenedDeviceByFD(int fd);
// The first slot whose dev_name equals `dev_name` (a free slot's name is ""), or null. A null
// name matches nothing.
CameraDevice *findOpenedDeviceByName(const char *dev_name);
// Copies the dev_name of the first slot holding `fd`, with its NUL, into `out` (16 bytes).
// `out` is left as it was when no slot matches (or when it is null). Returns 0.
int get_opened_device_name_by_fd(int fd, char *out);

// The USB vendor and product behind the node: v4l2_get_video_vid_pid's result (0, or -1 with
// the outputs untouched).
int camera_get_video_vid_pid(int fd, uint16_t *vid, uint16_t *pid);

// ---- Capture ---------------------------------------------------------------------------

// Requests and maps the four buffers, queues them and turns streaming on. 0, or -1 (an
// unknown descriptor silently; a failed step with its message, after streaming off and
// unmapping what was mapped, so a retry or a close finds nothing left over; on a device
// already capturing, ERROR " already capturing" and errno EBUSY, the running stream untouched).
int start_capture(int fd);

// Turns streaming off and unmaps the buffers. An unknown descriptor logs an ERROR.
void stop_capture(int fd);

// Waits up to one second for the next frame and points `*data` at it. Returns its byte count
// (which may be 0); 0 when woken with no frame to take (EAGAIN); or -1 with errno set: EBADF
// for an unknown descriptor, ETIMEDOUT when no frame came within the second, EINVAL when the
// device is not capturing (its queue polls POLLERR: before start_capture, after stop_capture),
// ENODEV when the camera is gone (the node hangs up, or a dequeue while capturing fails with
// ENODEV or EIO), the dequeue's errno when it failed otherwise, the wait's errno when it failed. A
// frame the driver flags as corrupted (V4L2_BUF_FLAG_ERROR) is handed back, logged at WARN and
// never delivered; the read waits for the next one within the same second and asks the camera for
// an I-frame (at most once a second per device). `*data` is written only when a frame is delivered.
int read_h264_data(int fd, unsigned char **data);

// ---- Encoder updates -------------------------------------------------------------------
// Each reads the camera's value, skips the write when it already matches, else writes it and
// reads it back; no V4L2 call, the stream goes on. 0 (a skipped write included), or -1 for an
// unknown descriptor or a refused write. The resolution is written first, always.

int update_resolution(int unit, int fd, int width, int height);
int update_framerate(int unit, int fd, int framerate);
int update_bitrate(int unit, int fd, int bitrate);
int update_iframe_period(int unit, int fd, int period);
// Java-level codes, converted as open_device converts them.
int update_profile(int unit, int fd, int profile);
int update_rate_control_mode(int unit, int fd, int rate_control_mode);

#pragma GCC visibility pop

#ifdef __cplusplus
}
#endif
