// The camera library against Linux's own uvcvideo and usbfs, with simcam-gadget as the camera
// on dummy_hcd: one row a run (`orv-kernel-camera ROW`), in the order of camera.rows.
#include <errno.h>
#include <fcntl.h>
#include <linux/usb/video.h>
#include <linux/uvcvideo.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "camera_device.h"
#include "camera_discovery.h"
#include "h264_stream.h"
#include "usb/usb_camera.h"
#include "uvc/uvc_h264.h"
#include "uvc/uvc_maker_commands.h"

namespace {

using Clock = std::chrono::steady_clock;
const char *const kNode = "/dev/video0";
const char *const kControl = "/tmp/gadget.ctl";  // simcam-gadget --control
constexpr int kUnit = 12, kVendor = 0x2e1a, kProduct = 0x4c01;
int g_failures = 0;

#define CHECK(cond)                                                                         \
    do {                                                                                    \
        if (!(cond)) {                                                                      \
            std::printf("FAIL %s:%d: %s (errno %d %s)\n", __FILE__, __LINE__, #cond, errno, \
                        std::strerror(errno));                                              \
            ++g_failures;                                                                   \
        }                                                                                   \
    } while (0)

void Cue(const char *action) {
    const int fd = open(kControl, O_WRONLY | O_NONBLOCK);
    CHECK(fd >= 0 && write(fd, action, std::strlen(action)) > 0);
    if (fd >= 0)
        close(fd);
}

// Waits (at most 30 s) until the node exists or, with `present` false, is gone.
bool WaitNode(bool present) {
    for (auto end = Clock::now() + std::chrono::seconds(30); Clock::now() < end;) {
        struct stat st;
        if ((stat(kNode, &st) == 0) == present)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

int Open(int width = 640, int fps = 30) {
    const CameraParams params = {0x34363248, width, 480, fps, 8, 31, 2, 1920000, 5};
    return open_device(kUnit, kNode, &params, 0, nullptr);
}

// Reads frames until `count` arrived (each wait is bounded by the library's one second).
std::vector<uint8_t> Capture(int fd, int count, int *frames) {
    std::vector<uint8_t> bytes;
    *frames = 0;
    for (int tries = 0; *frames < count && tries < count * 4; ++tries) {
        unsigned char *data = nullptr;
        const int n = read_h264_data(fd, &data);
        if (n > 0) {
            bytes.insert(bytes.end(), data, data + n);
            ++*frames;
        }
    }
    return bytes;
}

// The SPS of the last IDR in `bytes`, with which NAL types were seen.
h264test::Sps LastSps(const std::vector<uint8_t> &bytes, std::vector<bool> *seen) {
    h264test::Sps sps;
    seen->assign(32, false);
    for (const h264test::Nal &nal : h264test::SplitAnnexB(bytes.data(), bytes.size())) {
        (*seen)[nal.type & 31] = true;
        if (nal.type == h264test::kNalSps)
            h264test::ParseSps(nal.payload, &sps);
    }
    return sps;
}

int XuQuery(int fd, uint8_t unit, uint8_t selector, uint8_t query, std::vector<uint8_t> *data) {
    struct uvc_xu_control_query q = {unit, selector, query, static_cast<uint16_t>(data->size()),
                                     data->data()};
    return ioctl(fd, UVCIOC_CTRL_QUERY, &q) == 0 ? 0 : errno;
}

void RowOpen() {
    const int fd = Open();
    CHECK(fd > 0);
    uint16_t vid = 0, pid = 0;
    // uvcvideo does not know the identity request: the node is accepted all the same.
    CHECK(camera_get_video_vid_pid(fd, &vid, &pid) < 0);
    close_device(fd);
}

void RowFormat() {
    for (int fps : {15, 30}) {
        const int fd = Open(640, fps);
        CHECK(fd > 0);
        struct v4l2_format f = {};
        f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        CHECK(ioctl(fd, VIDIOC_G_FMT, &f) == 0 && f.fmt.pix.pixelformat == V4L2_PIX_FMT_H264 &&
              f.fmt.pix.width == 640 && f.fmt.pix.height == 480);
        struct v4l2_streamparm p = {};
        p.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        CHECK(ioctl(fd, VIDIOC_G_PARM, &p) == 0 &&
              p.parm.capture.timeperframe.denominator ==
                  static_cast<uint32_t>(fps) * p.parm.capture.timeperframe.numerator);
        // uvcvideo commits the negotiated stream at STREAMON: only then does the encoder follow.
        CHECK(start_capture(fd) == 0);
        unsigned rate = 0;
        CHECK(uvc_get_h264_framerate(kUnit, fd, &rate) == 0 && rate == static_cast<unsigned>(fps));
        stop_capture(fd);
        close_device(fd);
    }
}

void RowEncoder() {
    const int fd = Open();
    CHECK(fd > 0);
    struct Setting {
        const char *name;
        std::function<int(int)> set;
        std::function<int(int *)> get;
        std::vector<int> values;
    };
    const Setting settings[] = {
        {"framerate",
         [&](int v) { return uvc_set_h264_framerate(kUnit, fd, v); },
         [&](int *v) { return uvc_get_h264_framerate(kUnit, fd, reinterpret_cast<unsigned *>(v)); },
         {15, 30}},
        {"profile",
         [&](int v) { return uvc_set_h264_profile(kUnit, fd, v); },
         [&](int *v) { return uvc_get_h264_profile(kUnit, fd, v); },
         {0x4200, 0x4D00, 0x6400}},
        {"rate control",
         [&](int v) { return uvc_set_h264_rate_control_mode(kUnit, fd, v); },
         [&](int *v) { return uvc_get_h264_rate_control_mode(kUnit, fd, v); },
         {3, 2, 1}},
        {"bitrate",
         [&](int v) { return uvc_set_h264_bitrate(kUnit, fd, v); },
         [&](int *v) { return uvc_get_h264_bitrate(kUnit, fd, v); },
         {1000000, 3000000}},
        {"iframe period",
         [&](int v) { return uvc_set_h264_iframe_peroid(kUnit, fd, v); },
         [&](int *v) { return uvc_get_h264_iframe_peroid(kUnit, fd, v); },
         {2, 0, 5}},
        {"width",
         [&](int v) { return uvc_set_h264_resolution(kUnit, fd, v, 480); },
         [&](int *v) {
             int h = 0;
             return uvc_get_h264_resolution(kUnit, fd, v, &h);
         },
         {640}},
    };
    for (const Setting &s : settings) {
        for (int v : s.values) {
            int got = -1;
            const bool ok = s.set(v) == 0 && s.get(&got) == 0 && got == v;
            std::printf("%s %d: read back %d\n", s.name, v, got);
            CHECK(ok);
        }
    }
    // What uvcvideo answers before and around the camera: (unit, selector, query, size) -> errno.
    struct Query {
        uint8_t unit, selector, query;
        uint16_t size;
        int error;
        std::vector<uint8_t> answer;
    };
    const Query queries[] = {
        {kUnit, 1, UVC_GET_LEN, 2, 0, {46, 0}},  {kUnit, 1, UVC_GET_INFO, 1, 0, {3}},
        {kUnit, 1, UVC_GET_MAX, 46, 0, {}},      {kUnit, 2, UVC_GET_MIN, 46, EPIPE, {}},
        {kUnit, 5, UVC_GET_CUR, 46, ENOENT, {}}, {kUnit, 1, UVC_GET_CUR, 45, ENOBUFS, {}},
        {kUnit, 1, 0x42, 46, EINVAL, {}},        {0x13, 1, UVC_GET_CUR, 1, EBADRQC, {}},
        {0x15, 1, UVC_SET_CUR, 1, EBADRQC, {}},  {0x30, 1, UVC_GET_CUR, 1, ENOENT, {}},
    };
    for (const Query &q : queries) {
        std::vector<uint8_t> data(q.size);
        const int e = XuQuery(fd, q.unit, q.selector, q.query, &data);
        std::printf("unit %u selector %u query 0x%02x size %u: %s\n", q.unit, q.selector, q.query,
                    q.size, e ? std::strerror(e) : "answered");
        CHECK(e == q.error && (q.answer.empty() || data == q.answer));
    }
    // A stalled GET reaches the caller as EPIPE and fails the read; the next one is answered.
    Cue("stall:12:1\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    int profile = 0;
    CHECK(uvc_get_h264_profile(kUnit, fd, &profile) == 1 && errno == EPIPE);
    CHECK(uvc_get_h264_profile(kUnit, fd, &profile) == 0 && profile == 0x6400);
    close_device(fd);
}

void RowCommands() {
    const int fd = Open();
    CHECK(fd > 0);
    CHECK(send_uvc_command(kUnit, fd, 0) == 0);
    // 6.1's uvcvideo takes a relative zoom's range from GET_MIN/MAX of bSpeed (0 to 7 here),
    // so the library finds a zoom out (a negative speed) out of range and writes nothing.
    const struct {
        unsigned movement;
        uint32_t control;
        int value, reads;
    } moves[] = {{0, V4L2_CID_PAN_SPEED, 5, 5},       {1, V4L2_CID_PAN_SPEED, -5, -5},
                 {2, V4L2_CID_TILT_SPEED, 7, 7},      {3, V4L2_CID_TILT_SPEED, -7, -7},
                 {4, V4L2_CID_ZOOM_CONTINUOUS, 3, 3}, {5, V4L2_CID_ZOOM_CONTINUOUS, -3, 0}};
    for (const auto &m : moves) {
        struct v4l2_control c = {m.control, 0};
        CHECK(start_ptz(fd, m.movement, m.value) == 0);
        CHECK(ioctl(fd, VIDIOC_G_CTRL, &c) == 0 && c.value == m.reads);
        std::printf("movement %u speed %d: control reads %d\n", m.movement, m.value, c.value);
        CHECK(stop_ptz(fd, m.movement) == 0);
        CHECK(ioctl(fd, VIDIOC_G_CTRL, &c) == 0 && c.value == 0);
    }
    CHECK(send_osd_command(fd, 0x105) == 0);
    CHECK(send_menu_command(fd, 0x02) == 0);
    CHECK(send_menu_command_by_dev_name(kNode, 0x03) == 0);
    CHECK(get_osd_status_by_dev_name(kNode) == 90);
    CHECK(camera_get_hdmiin_state(kNode) == 1);
    close_device(fd);
}

void RowCapture() {
    const int fd = Open();
    CHECK(fd > 0 && start_capture(fd) == 0);
    const auto begin = Clock::now();
    int frames = 0;
    const std::vector<uint8_t> bytes = Capture(fd, 30, &frames);
    const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    std::printf("frames per second through uvcvideo: %.1f (%d frames in %.1f s)\n",
                frames / seconds, frames, seconds);
    std::vector<bool> seen;
    const h264test::Sps sps = LastSps(bytes, &seen);
    CHECK(frames == 30 && seen[h264test::kNalSps] && seen[h264test::kNalPps] &&
          seen[h264test::kNalIdrSlice]);
    CHECK(sps.width == 640 && sps.height == 480);
    stop_capture(fd);
    close_device(fd);
}

void RowUpdates() {
    const int fd = Open();
    CHECK(fd > 0 && start_capture(fd) == 0);
    int started = 0;
    Capture(fd, 3, &started);
    const struct {
        const char *name;
        std::function<int()> update;
        int profile_idc;  // 0: not looked at
    } updates[] = {
        {"profile main", [&] { return update_profile(kUnit, fd, 2); }, 77},
        {"bitrate", [&] { return update_bitrate(kUnit, fd, 1000000); }, 0},
        {"rate control", [&] { return update_rate_control_mode(kUnit, fd, 1); }, 0},
        {"framerate", [&] { return update_framerate(kUnit, fd, 15); }, 0},
        {"iframe period", [&] { return update_iframe_period(kUnit, fd, 1); }, 0},
        {"resolution", [&] { return update_resolution(kUnit, fd, 640, 480); }, 0},
        {"profile baseline", [&] { return update_profile(kUnit, fd, 1); }, 66},
    };
    for (const auto &u : updates) {
        const int r = u.update();
        // Frames go on; a new profile shows within 16 frames (those queued in the driver
        // come first).
        int frames = 0, seen_after = 0;
        for (int tries = 0; tries < 32 && frames < 16 && !seen_after; ++tries) {
            unsigned char *data = nullptr;
            const int n = read_h264_data(fd, &data);
            if (n <= 0)
                continue;
            ++frames;
            std::vector<bool> seen;
            const h264test::Sps sps = LastSps(std::vector<uint8_t>(data, data + n), &seen);
            if (u.profile_idc == 0 ? frames == 3 : sps.profile_idc == u.profile_idc)
                seen_after = frames;
        }
        std::printf("%s: %d, then %d frames\n", u.name, r, frames);
        CHECK(r == 0 && seen_after > 0);
    }
    stop_capture(fd);
    close_device(fd);
}

// A frame whose payloads carry the error bit, streamed through V4L2 itself: how uvcvideo hands
// it on (flagged, or dropped with a gap in the sequence numbers).
void RowErrorBit() {
    const int fd = open(kNode, O_RDWR);
    struct v4l2_requestbuffers req = {};
    req.count = 4;
    req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    req.memory = V4L2_MEMORY_MMAP;
    CHECK(fd >= 0 && ioctl(fd, VIDIOC_REQBUFS, &req) == 0);
    for (uint32_t i = 0; i < req.count; ++i) {
        struct v4l2_buffer b = {};
        b.type = req.type;
        b.memory = req.memory;
        b.index = i;
        CHECK(ioctl(fd, VIDIOC_QBUF, &b) == 0);
    }
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    CHECK(ioctl(fd, VIDIOC_STREAMON, &type) == 0);
    int flagged = 0, gaps = 0;
    uint32_t last = 0;
    for (int i = 0; i < 12; ++i) {
        struct v4l2_buffer b = {};
        b.type = req.type;
        b.memory = req.memory;
        if (ioctl(fd, VIDIOC_DQBUF, &b) != 0)
            break;
        flagged += (b.flags & V4L2_BUF_FLAG_ERROR) != 0;
        gaps += i > 0 ? static_cast<int>(b.sequence - last - 1) : 0;
        last = b.sequence;
        if (i == 3)
            Cue("error:2\n");
        CHECK(ioctl(fd, VIDIOC_QBUF, &b) == 0);
    }
    std::printf("2 frames with the error bit: %d buffers flagged, %d sequence numbers skipped\n",
                flagged, gaps);
    CHECK(flagged + gaps == 2);
    ioctl(fd, VIDIOC_STREAMOFF, &type);
    close(fd);
}

void RowUsb() {
    int vendor = 0, product = 0;
    char version[64] = {};
    CHECK(has_orv_camera(&vendor, &product) == 0 && vendor == kVendor && product == kProduct);
    CHECK(get_orv_camera_version(kVendor, kProduct, version) == 0 &&
          std::string(version) == "1.2.34");
}

void RowReset() {
    CHECK(reset_orv_camera(kVendor, kProduct) == 0);
    // The reset unbinds uvcvideo and binds it again: the node goes and comes back.
    CHECK(WaitNode(true));
    std::this_thread::sleep_for(std::chrono::seconds(1));
    int vendor = 0, product = 0;
    CHECK(has_orv_camera(&vendor, &product) == 0 && product == kProduct);
    const int fd = Open();
    CHECK(fd > 0 && start_capture(fd) == 0);
    int frames = 0;
    Capture(fd, 3, &frames);
    CHECK(frames == 3);
    stop_capture(fd);
    close_device(fd);
}

void RowUnplug() {
    const int fd = Open();
    CHECK(fd > 0 && start_capture(fd) == 0);
    int frames = 0;
    Capture(fd, 3, &frames);
    CHECK(frames == 3);
    Cue("unplug\n");
    int r = 0;
    for (int tries = 0; tries < 10 && r >= 0; ++tries)
        r = read_h264_data(fd, nullptr);
    CHECK(r == -1);
    stop_capture(fd);
    close_device(fd);
    CHECK(WaitNode(false));
    Cue("plug\n");
    CHECK(WaitNode(true));
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const int again = Open();
    CHECK(again > 0 && start_capture(again) == 0);
    Capture(again, 3, &frames);
    CHECK(frames == 3);
    stop_capture(again);
    close_device(again);
}

}  // namespace

int main(int argc, char **argv) {
    const struct {
        const char *name;
        void (*run)();
    } rows[] = {{"open", RowOpen},         {"format", RowFormat},   {"encoder", RowEncoder},
                {"commands", RowCommands}, {"capture", RowCapture}, {"updates", RowUpdates},
                {"errorbit", RowErrorBit}, {"usb", RowUsb},         {"reset", RowReset},
                {"unplug", RowUnplug}};
    init_camera_device();
    for (const auto &row : rows) {
        if (argc == 2 && std::strcmp(argv[1], row.name) == 0) {
            row.run();
            std::printf("%s: %s\n", row.name, g_failures ? "FAIL" : "ok");
            return g_failures ? 1 : 0;
        }
    }
    std::fprintf(stderr,
                 "usage: orv-kernel-camera ROW (open, format, encoder, commands, "
                 "capture, updates, errorbit, usb, reset, unplug)\n");
    return 2;
}
