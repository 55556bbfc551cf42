// The simulated camera's test API.
//
// A test program that links the `simcam` library (or a process started with it in LD_PRELOAD)
// sees the configured nodes (/dev/video0 ... /dev/video7) as the maker's UVC H.264 cameras:
// open/close, ioctl, mmap/munmap, poll/select on the descriptor, stat, and the node's sysfs
// files all answer as uvcvideo and the camera would. Nothing else in the process is touched.
//
// Everything here is thread-safe. Nodes are named by their path ("/dev/video0"). Functions that
// name a node that the loaded configuration does not have throw std::invalid_argument.
//
// Typical test:
//
//     simcam::LoadDefaultConfig();                 // or LoadConfigText(json)
//     simcam::SetClock("/dev/video0", simcam::Clock::kStepped);
//     ... open the node through the code under test, start streaming ...
//     simcam::ReleaseFrames("/dev/video0", 1);     // exactly one frame reaches a buffer
//     ... read it through the code under test ...
//     auto xu = simcam::TraceOf(simcam::Call::kXuQuery);   // what was sent, byte for byte
//
// Reset() (or loading a configuration) between tests gives every test a fresh camera.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

namespace simcam {

// ---------------------------------------------------------------------------------------------
// Configuration

// Loads a configuration from JSON text (format in simcam/README.md). Every node starts afresh:
// the previous nodes, faults, clocks, trace and delivered frames are gone. Descriptors opened
// before stay valid but belong to the old, detached nodes. Throws std::invalid_argument with a
// message naming the offending field when the text is not a valid configuration; the previous
// configuration then stays in force.
void LoadConfigText(const std::string &json);

// The same from a file. Throws std::invalid_argument when the file cannot be read.
void LoadConfigFile(const std::string &path);

// The default configuration: one maker's camera at /dev/video0 (H264 at 1920x1080, 1280x720 and
// 640x480, each at 1/30 and 1/15; brightness, pan/tilt/zoom/focus controls and their speeds;
// the H.264 unit 12, the maker's units 0x13 and 0x15; the identity ioctl answering
// ORV_USB_VENDOR_ID, ORV_DEFAULT_SIM_PRODUCT_ID, ORV_DEFAULT_SIM_BCD_DEVICE).
// A process that loads nothing gets the file named by $SIMCAM_CONFIG, else this default.
void LoadDefaultConfig();

// The default configuration's JSON text (a starting point for a test's own configuration).
std::string DefaultConfigText();

// Back to the configuration last loaded, as LoadConfigText would leave it.
void Reset();

// The USB devices behind the configured nodes, for a simulated USB bus beside the camera: one
// per distinct bus_info among the nodes that have a USB identity (not `"identity": false`), in
// node order, with the identity's ids and bcdDevice (so the bus and the video nodes report the
// same camera; on a "stock" kernel the identity ioctl is not answered but the device is there),
// on bus 1 at addresses 2, 3, ... in that order.
struct UsbDevice {
    std::string bus_info;            // QUERYCAP's bus_info, shared by the device's nodes
    std::vector<std::string> nodes;  // its nodes, "/dev/video0", ...
    uint16_t vendor_id = 0, product_id = 0, bcd_device = 0;
    unsigned bus = 1, address = 0;  // busnum and devnum
    uint8_t h264_unit = 12;         // the H.264 unit of its first node, as its descriptors say
};
std::vector<UsbDevice> UsbDevices();

// ---------------------------------------------------------------------------------------------
// Trace: every request made on a simulated node, in order, with its arguments and its answer.

enum class Call {
    kOpen,
    kClose,
    kMmap,
    kMunmap,
    kQueryCap,            // VIDIOC_QUERYCAP
    kEnumFmt,             // VIDIOC_ENUM_FMT: index, pixelformat (answered)
    kGetFmt,              // VIDIOC_G_FMT: pixelformat, width, height, field (answered)
    kSetFmt,              // VIDIOC_S_FMT: pixelformat, width, height, field (as sent)
    kTryFmt,              // VIDIOC_TRY_FMT: as sent
    kGetParm,             // VIDIOC_G_PARM: numerator, denominator (answered)
    kSetParm,             // VIDIOC_S_PARM: numerator, denominator (as sent)
    kEnumFrameSizes,      // VIDIOC_ENUM_FRAMESIZES: index, pixelformat
    kEnumFrameIntervals,  // VIDIOC_ENUM_FRAMEINTERVALS: index, pixelformat, width, height
    kReqBufs,             // VIDIOC_REQBUFS: count (asked), granted, memory
    kQueryBuf,            // VIDIOC_QUERYBUF: index
    kQBuf,                // VIDIOC_QBUF: index, memory
    kDQBuf,               // VIDIOC_DQBUF: index (dequeued), bytesused
    kStreamOn,            // VIDIOC_STREAMON
    kStreamOff,           // VIDIOC_STREAMOFF
    kQueryCtrl,           // VIDIOC_QUERYCTRL: id (as sent, NEXT_CTRL flag included)
    kGetCtrl,             // VIDIOC_G_CTRL: id, value (answered)
    kSetCtrl,             // VIDIOC_S_CTRL: id, value (as sent)
    kXuQuery,             // UVCIOC_CTRL_QUERY: unit, selector, query, size, data
    kIdentity,            // the camera identity ioctl 0xC0125678
    kOther,               // any other ioctl: request
};

// One request. Fields that the call does not carry are 0 (or empty).
struct TraceEntry {
    Call call = Call::kOther;
    std::string path;           // the node, "/dev/video0"
    int fd = -1;                // the descriptor used (the one returned, for kOpen)
    int result = 0;             // what the caller got: 0 (or the descriptor), -1
    int error = 0;              // errno given with -1, else 0
    unsigned long request = 0;  // the ioctl request code (0 for open, close, mmap, munmap)

    uint32_t type = 0;       // buffer or stream type
    uint32_t index = 0;      // ENUM_* index; QUERYBUF/QBUF index; DQBUF index dequeued
    uint32_t count = 0;      // REQBUFS count asked
    uint32_t granted = 0;    // REQBUFS count granted
    uint32_t memory = 0;     // REQBUFS/QBUF/DQBUF memory type
    uint32_t bytesused = 0;  // DQBUF bytes of the frame
    uint32_t pixelformat = 0, width = 0, height = 0, field = 0;  // formats and sizes
    uint32_t numerator = 0, denominator = 0;                     // timeperframe
    uint32_t id = 0;                                             // control id
    int32_t value = 0;                                           // control value
    uint8_t unit = 0, selector = 0, query = 0;                   // extension-unit query
    uint16_t size = 0;
    std::vector<uint8_t> data;  // XU: bytes sent (SET_CUR) or answered (GET_*); identity bytes
    int flags = 0;              // open flags; mmap prot
    uint64_t offset = 0, length = 0;  // mmap/munmap

    // One line, e.g. "XU /dev/video0 unit=12 selector=2 query=0x01 size=46 data=00 4c ... -> 0".
    std::string Text() const;
};

// The whole trace since the last load, Reset() or ClearTrace() (past 200000 entries the oldest
// 100000 are dropped).
std::vector<TraceEntry> Trace();
// Only the entries of one kind of call (on any node).
std::vector<TraceEntry> TraceOf(Call call);
void ClearTrace();

// The request names used by TraceEntry::Text(): "OPEN", "QBUF", "XU", ...
const char *CallName(Call call);

// ---------------------------------------------------------------------------------------------
// Faults. Each is in force until Reset()/a load, or until cleared with errno 0. A fault set
// here works like the same fault in the configuration.

// open() fails with err (EACCES, EBUSY, ENOENT, ...).
void FailOpen(const std::string &path, int err);

// The call fails with err: kQueryBuf, kMmap, kQBuf, kDQBuf, kStreamOn, kStreamOff, kReqBufs,
// kSetFmt, kGetFmt, kSetParm, kGetParm, kQueryCap, kEnumFmt, ... (kOpen is FailOpen).
// times < 0: every time; otherwise only the next `times` calls fail. With `after` > 0 the next
// `after` calls still succeed first (FailCall(path, kMmap, ENOMEM, 1, 2): the third mmap fails).
void FailCall(const std::string &path, Call call, int err, int times = -1, int after = 0);

// REQBUFS with a non-zero count grants exactly n buffers, whatever was asked (0: as asked).
void GrantBuffers(const std::string &path, uint32_t n);

// An extension-unit query on (unit, selector) fails with err, whatever the request code.
void FailXu(const std::string &path, uint8_t unit, uint8_t selector, int err);

// G_CTRL and S_CTRL of control id fail with err (QUERYCTRL still answers).
void FailControl(const std::string &path, uint32_t id, int err);

// The identity ioctl is answered (true) or unknown to the driver (false: ENOTTY).
void SetIdentityAnswered(const std::string &path, bool answered);

// The camera disappears: every later call on its descriptors fails with ENODEV (close
// succeeds), a blocked DQBUF wakes with ENODEV, a waiting poll wakes, every later poll reports
// POLLERR and POLLHUP on each of its descriptors (as a node that uvcvideo has unregistered
// does; select and epoll see POLLERR), and
// opening the path gives ENOENT.
void Unplug(const std::string &path);

// The next n frames the camera delivers are flagged V4L2_BUF_FLAG_ERROR, as a USB transfer
// error leaves them (Frame::error marks them).
void CorruptFrames(const std::string &path, int n);

// The camera stops sending frames while streaming (true) or sends again (false).
void SetStalled(const std::string &path, bool stalled);

// ---------------------------------------------------------------------------------------------
// Clock: when frames are produced while the node streams.

enum class Clock {
    kRealTime,  // one frame per committed frame interval, on the camera's own thread (default)
    kFast,      // as fast as buffers are queued, from frames encoded beforehand at STREAMON
    kStepped,   // only when the test calls ReleaseFrames
};

void SetClock(const std::string &path, Clock clock);

// Stepped clock: the camera produces exactly n frames now, in the calling thread. A frame for
// which no buffer is queued is dropped, as uvcvideo drops it. Returns how many frames were
// delivered to buffers (n minus the dropped ones; 0 when not streaming, stalled or unplugged).
int ReleaseFrames(const std::string &path, int n);

// ---------------------------------------------------------------------------------------------
// What the camera did.

// The encoder's committed settings (the H.264 unit's configuration).
struct EncoderSettings {
    uint16_t width = 0, height = 0;
    uint32_t frame_interval = 0;  // 100 ns units (333333 = 30 fps)
    uint32_t bitrate = 0;         // bits per second
    uint16_t profile = 0;         // 0x4200, 0x4D00, 0x6400
    uint8_t rate_control = 0;     // 1 CBR, 2 VBR, 3 constant QP
    uint16_t iframe_period = 0;   // seconds between IDR frames (0: only the first)
    std::vector<uint8_t> block;   // the whole 46-byte block the probe answers
};
EncoderSettings GetEncoder(const std::string &path);

// One frame the camera put into a buffer.
struct Frame {
    uint64_t sequence = 0;       // the camera's frame counter (dropped frames count too)
    uint32_t index = 0;          // the buffer it went into
    bool idr = false;            // an IDR access unit (SPS and PPS first)
    bool error = false;          // delivered with V4L2_BUF_FLAG_ERROR
    std::vector<uint8_t> bytes;  // exactly what the buffer held (bytesused bytes)
};
// The frames delivered since the last load, Reset() or ClearFrames(), oldest first (the most
// recent 256 are kept).
std::vector<Frame> DeliveredFrames(const std::string &path);
void ClearFrames(const std::string &path);

// Frames produced while no buffer was queued.
uint64_t DroppedFrames(const std::string &path);

// The maker's units' bytes: what unit 0x13 selector 10 and unit 0x15 selector 1 answer.
void SetOsdStatus(const std::string &path, uint8_t status);
void SetHdmiInput(const std::string &path, uint8_t state);
// The last byte written to unit 0x13 (any selector), -1 before any.
int LastOsdCommand(const std::string &path);

// A control's current value (as G_CTRL would answer it).
int32_t ControlValue(const std::string &path, uint32_t id);

}  // namespace simcam
