// The opened-device table, open_device and close_device against the simulated camera: slots,
// names, the vendor check, what is set on the camera and what is logged.
#include <errno.h>
#include <fcntl.h>
#include <unistd.h>
#include <android/log.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "camera_test_util.h"
#include "orv_usb_ids.h"
#include "simcam/simcam.h"

namespace {

using orvtest::LogEntry;
using orvtest::device::Error;
using orvtest::device::Info;
using orvtest::device::Warn;

const char kOp[] = "open_device";

std::vector<simcam::TraceEntry> Commits() {
    std::vector<simcam::TraceEntry> commits;
    for (const simcam::TraceEntry &e : simcam::TraceOf(simcam::Call::kXuQuery))
        if (e.selector == 2)
            commits.push_back(e);
    return commits;
}

// Calls of one kind on one node.
size_t CountOf(simcam::Call call, const std::string &node) {
    size_t n = 0;
    for (const simcam::TraceEntry &e : simcam::TraceOf(call))
        n += e.path == node;
    return n;
}

class CameraOpen : public camtest::CameraTest {};

TEST_F(CameraOpen, FourSlotsThenLowestFreeSlotReused) {
    simcam::LoadConfigText(camtest::Cameras(5));
    int fds[4];
    CameraDevice *slots[4];
    for (int i = 0; i < 4; ++i) {
        const std::string node = "/dev/video" + std::to_string(i);
        fds[i] = Open(node);
        ASSERT_GT(fds[i], 0) << node;
        slots[i] = findOpenedDeviceByFD(fds[i]);
        ASSERT_NE(nullptr, slots[i]);
        EXPECT_STREQ(node.c_str(), slots[i]->dev_name);
        EXPECT_EQ(1, slots[i]->memory);
        EXPECT_EQ(slots[i], findOpenedDeviceByName(node.c_str()));
    }

    // A fifth: opened, configured, then closed again for want of a slot, without a message.
    ClearLog();
    EXPECT_EQ(-1, Open("/dev/video4"));
    EXPECT_EQ(1u, CountOf(simcam::Call::kOpen, "/dev/video4"));
    EXPECT_EQ(1u, CountOf(simcam::Call::kClose, "/dev/video4"));
    for (const LogEntry &e : orvtest::DeviceLines(capture_))
        EXPECT_NE(ANDROID_LOG_ERROR, e.priority) << e;
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(slots[i], findOpenedDeviceByFD(fds[i]));

    // Slots 0 and 2 freed: the next two opens take 0, then 2.
    close_device(fds[2]);
    close_device(fds[0]);
    Forget(fds[0]);
    Forget(fds[2]);
    EXPECT_EQ(-1, slots[0]->fd);
    EXPECT_STREQ("", slots[0]->dev_name);
    const int d = Open("/dev/video4");
    ASSERT_GT(d, 0);
    EXPECT_EQ(slots[0], findOpenedDeviceByFD(d));
    const int e = Open("/dev/video0");
    ASSERT_GT(e, 0);
    EXPECT_EQ(slots[2], findOpenedDeviceByFD(e));
}

TEST_F(CameraOpen, NameRules) {
    const int fd = Open("/dev/video0");
    ASSERT_GT(fd, 0);

    // Already open: refused without opening the node again.
    ClearLog();
    EXPECT_EQ(-1, Open("/dev/video0"));
    EXPECT_EQ(0u, simcam::TraceOf(simcam::Call::kOpen).size());
    EXPECT_EQ((std::vector<LogEntry>{
                  Info(kOp, ""),
                  Error(kOp, " device /dev/video0 has opened ,please check"),
              }),
              orvtest::DeviceLines(capture_));

    // While a slot is free its name is "", which an empty name matches.
    capture_.clear();
    EXPECT_EQ(-1, Open(""));
    EXPECT_EQ(Error(kOp, " device  has opened ,please check"), orvtest::DeviceLines(capture_)[1]);

    // 15 characters are refused before any open; 14 are taken.
    const std::string name14 = "/dev/video0001";  // node 1, written with 14 characters
    const std::string name15 = "/dev/video00001";
    simcam::LoadConfigText(camtest::Cameras(2, [&](nlohmann::json &node) {
        if (node["path"] == "/dev/video1")
            node["path"] = name14;
    }));
    capture_.clear();
    EXPECT_EQ(-1, Open(name15));
    EXPECT_EQ(
        (std::vector<LogEntry>{Info(kOp, ""), Error(kOp, " dev_name too long ,please check")}),
        orvtest::DeviceLines(capture_));
    const int fd14 = Open(name14);
    EXPECT_GT(fd14, 0);
    char out[16] = "untouched";
    EXPECT_EQ(0, get_opened_device_name_by_fd(fd14, out));
    EXPECT_EQ(name14, out);
    close_device(fd14);
    Forget(fd14);

    // Null arguments: nothing happens.
    ClearLog();
    const CameraParams params = camtest::HeldParams();
    EXPECT_EQ(-1, open_device(12, nullptr, &params, 0, nullptr));
    EXPECT_EQ(-1, open_device(12, "/dev/video1", nullptr, 0, nullptr));
    EXPECT_TRUE(simcam::Trace().empty());
    EXPECT_EQ(nullptr, findOpenedDeviceByName(nullptr));
}

TEST_F(CameraOpen, VendorCheck) {
    simcam::LoadConfigText(camtest::Cameras(2, [](nlohmann::json &node) {
        if (node["path"] == "/dev/video0")
            node["identity"]["vendor_id"] = ORV_USB_VENDOR_ID ^ 0x0101;
        else
            node["identity"] = false;
    }));
    EXPECT_EQ(-1, Open("/dev/video0"));
    EXPECT_EQ(1u, CountOf(simcam::Call::kClose, "/dev/video0"));
    EXPECT_EQ((std::vector<LogEntry>{
                  Info(kOp, ""),
                  Info(kOp, " open devName:/dev/video0"),
                  Info(kOp, " check orv device devName:/dev/video0"),
                  Error(kOp, " openVideo devName:/dev/video0 error, not orv device"),
              }),
              orvtest::DeviceLines(capture_));
    EXPECT_EQ(nullptr, findOpenedDeviceByName("/dev/video0"));

    // Unreadable identity: taken, with the WARN line.
    capture_.clear();
    EXPECT_GT(Open("/dev/video1"), 0);
    EXPECT_EQ(Warn(kOp, " check is orv device failed"), orvtest::DeviceLines(capture_).at(3));
}

TEST_F(CameraOpen, OnlyStreamingCaptureNodesInTheAskedPixelFormat) {
    char file[] = "/tmp/camXXXXXX";
    close(mkstemp(file));
    const int next_free = dup(0);  // the lowest free descriptor, closed again below
    close(next_free);
    for (const std::string &path : {std::string("/dev/null"), std::string(file)}) {
        capture_.clear();
        EXPECT_EQ(-1, Open(path));
        EXPECT_EQ(Error(kOp, " openVideo devName:" + path + " error, not a video capture device"),
                  orvtest::DeviceLines(capture_).back());
        EXPECT_EQ(next_free, dup(0)) << path << " left a descriptor open";
        close(next_free);
    }
    unlink(file);

    // A camera that streams MJPG whatever it is asked: refused rather than read as H.264. No
    // format asked (-1: no "pixfmt" from Java, 0: not a number) only warns and takes the H.264
    // the camera streams.
    const struct {
        const char *streams;
        int asked;
        bool opens;
        LogEntry line;
    } rows[] = {
        {"MJPG", 0x34363248, false, Error(kOp, " cannot set new video format:875967048")},
        {"H264", -1, true, Warn(kOp, " cannot set new video format:-1")},
        {"H264", 0, true, Warn(kOp, " cannot set new video format:0")},
        {"MJPG", 0, false, Error(kOp, " video format 1196444237 is not H.264")},
    };
    for (const auto &row : rows) {
        simcam::LoadConfigText(camtest::Cameras(
            1, [&](nlohmann::json &node) { node["formats"][0]["fourcc"] = row.streams; }));
        ClearLog();
        CameraParams params = camtest::HeldParams();
        params.pixfmt = row.asked;
        const int fd = Open("/dev/video0", params);
        EXPECT_EQ(row.opens, fd > 0) << row.asked;
        const std::vector<LogEntry> lines = orvtest::DeviceLines(capture_);
        EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), row.line)) << row.asked;
        EXPECT_EQ(row.opens ? 0u : 1u, CountOf(simcam::Call::kClose, "/dev/video0"));
        if (row.opens) {
            close_device(fd);
            Forget(fd);
        }
    }
}

TEST_F(CameraOpen, CameraAlreadyHoldingTheRequestOnlyGetsThePeriod) {
    const int fd = Open("/dev/video0");
    ASSERT_GT(fd, 0);
    const std::string f = std::to_string(fd);
    EXPECT_EQ((std::vector<LogEntry>{
                  Info(kOp, ""),
                  Info(kOp, " open devName:/dev/video0"),
                  Info(kOp, " check orv device devName:/dev/video0"),
                  Info(kOp, " open dev ok:" + f),
                  Info(kOp, " get old video format, 875967048 1920 1080"),
                  Info(kOp, " get old fps: 30"),
                  Info("convert_profile", " 8 to 0x6400:UVCX_H264_wProfile_HIGHPROFILE"),
                  Info(kOp, " get old profile:6400"),
                  Info("convert_rate_control_mode", " 2 to 0x1"),
                  Info(kOp, " get old rate control mode:1"),
                  Info(kOp, " get old bitrate:1920000"),
                  Info(kOp, " get old i-frame peroid:1(sec), 30(gop)"),
                  Info(kOp, " set new i-frame peroid:1(sec), 30(gop)"),
                  Info(kOp, " get new i-frame peroid:1(sec), 30(gop)"),
              }),
              orvtest::DeviceLines(capture_));
    EXPECT_EQ(0u, simcam::TraceOf(simcam::Call::kSetFmt).size());
    EXPECT_EQ(0u, simcam::TraceOf(simcam::Call::kSetParm).size());
    const std::vector<simcam::TraceEntry> commits = Commits();
    ASSERT_EQ(1u, commits.size());
    EXPECT_EQ(0xFF, commits[0].data.at(8));  // bmHints 0x7FFF: the I-frame period
    EXPECT_EQ(0x7F, commits[0].data.at(9));
}

TEST_F(CameraOpen, EverySettingBroughtToTheRequest) {
    CameraParams p = camtest::HeldParams();
    p.width = 1280;
    p.height = 720;
    p.framerate = 15;
    p.profile = 2;
    p.rate_control_mode = 0;
    p.bitrate = 4000000;
    p.iframe_period = 2;
    const int fd = Open("/dev/video0", p);
    ASSERT_GT(fd, 0);
    const std::vector<LogEntry> lines = orvtest::DeviceLines(capture_);
    EXPECT_EQ((std::vector<LogEntry>{
                  Info(kOp, " get old video format, 875967048 1920 1080"),
                  Info(kOp, " set new video format, 875967048 1280 720"),
                  Info(kOp, " get new video format, 875967048 1280 720"),
                  Info(kOp, " get old fps: 30"),
                  Info(kOp, " set new fps:15"),
                  Info(kOp, " get new fps:15"),
                  Info("convert_profile", " 2 to 0x4d00:UVCX_H264_wProfile_MAINPROFILE"),
                  Info(kOp, " get old profile:6400"),
                  Info(kOp, " set new profile:4d00"),
                  Info(kOp, " get new profile:4d00"),
                  Info("convert_rate_control_mode", " 0 to 0x3"),
                  Info(kOp, " get old rate control mode:1"),
                  Info(kOp, " set new rate control mode:3"),
                  Info(kOp, " get new rate control mode:3"),
                  Info(kOp, " get old bitrate:1920000"),
                  Info(kOp, " set new bitrate:4000000"),
                  Info(kOp, " get new bitrate:4000000"),
                  Info(kOp, " get old i-frame peroid:1(sec), 15(gop)"),
                  Info(kOp, " set new i-frame peroid:2(sec), 30(gop)"),
                  Info(kOp, " get new i-frame peroid:2(sec), 30(gop)"),
              }),
              std::vector<LogEntry>(lines.begin() + 4, lines.end()));
    // The size and frame rate reach the encoder with the commit at STREAMON.
    const simcam::EncoderSettings enc = simcam::GetEncoder("/dev/video0");
    EXPECT_EQ(1920, enc.width);
    EXPECT_EQ(333333u, enc.frame_interval);
    EXPECT_EQ(0x4D00, enc.profile);
    EXPECT_EQ(3, enc.rate_control);
    EXPECT_EQ(4000000u, enc.bitrate);
    EXPECT_EQ(2, enc.iframe_period);
    EXPECT_EQ(4u, Commits().size());
}

TEST_F(CameraOpen, EncoderThatCannotBeReadStillOpens) {
    simcam::FailXu("/dev/video0", 12, 1, EPIPE);
    simcam::FailXu("/dev/video0", 12, 2, EPIPE);
    const int fd = Open("/dev/video0");
    ASSERT_GT(fd, 0);
    const std::vector<LogEntry> lines = orvtest::DeviceLines(capture_);
    const std::vector<LogEntry> tail(lines.end() - 14, lines.end());
    EXPECT_EQ((std::vector<LogEntry>{
                  Info("convert_profile", " 8 to 0x6400:UVCX_H264_wProfile_HIGHPROFILE"),
                  Warn(kOp, " get old profile error"),
                  Info(kOp, " set new profile:6400"),
                  Warn(kOp, " get new profile error"),
                  Info("convert_rate_control_mode", " 2 to 0x1"),
                  Warn(kOp, " get old rate control mode error"),
                  Info(kOp, " set new rate control mode:1"),
                  Warn(kOp, " get new rate control mode error"),
                  Warn(kOp, " get old bitrate error"),
                  Info(kOp, " set new bitrate:1920000"),
                  Warn(kOp, " get new bitrate error"),
                  Warn(kOp, " get old i-frame peroid error"),
                  Info(kOp, " set new i-frame peroid:1(sec), 30(gop)"),
                  Warn(kOp, " get new i-frame peroid error"),
              }),
              tail);
}

TEST_F(CameraOpen, CloseFreesOnceAndLookupsMissQuietly) {
    const int fd = Open("/dev/video0");
    ASSERT_GT(fd, 0);
    close_device(fd);
    Forget(fd);
    EXPECT_EQ(1u, CountOf(simcam::Call::kClose, "/dev/video0"));
    EXPECT_EQ(-1, fcntl(fd, F_GETFD));

    capture_.clear();
    close_device(fd);
    EXPECT_EQ((std::vector<LogEntry>{
                  Info("close_device", " close device"),
                  Error("close_device",
                        " closeVideo error, fd:" + std::to_string(fd) + " camera not found"),
              }),
              orvtest::DeviceLines(capture_));
    char out[16] = "untouched";
    EXPECT_EQ(0, get_opened_device_name_by_fd(fd, out));
    EXPECT_STREQ("untouched", out);
    EXPECT_EQ(nullptr, findOpenedDeviceByFD(fd));
}

TEST_F(CameraOpen, DumpFileThatCannotBeOpened) {
    const CameraParams p = camtest::HeldParams();
    for (const char *path : {"/nonexistent-dir/out.h264", static_cast<const char *>(nullptr)}) {
        capture_.clear();
        const int fd = open_device(12, "/dev/video0", &p, 1, path);
        ASSERT_GT(fd, 0);
        EXPECT_EQ(Warn(kOp, " open h264 file fail"), orvtest::DeviceLines(capture_).back());
        EXPECT_EQ(nullptr, findOpenedDeviceByFD(fd)->dump_file);
        close_device(fd);
    }
}

}  // namespace
