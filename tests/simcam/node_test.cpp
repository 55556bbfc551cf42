// Opening and identifying the simulated nodes.
#include <errno.h>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "simcam/simcam.h"
#include "usb_device_description.h"

namespace {

class Node : public ::testing::Test {
  protected:
    void SetUp() override { simcam::LoadDefaultConfig(); }
};

TEST_F(Node, OpensConfiguredNodeAndAnswersQueryCap) {
    const int fd = open("/dev/video0", O_RDWR | O_NONBLOCK);
    ASSERT_GT(fd, 0) << strerror(errno);
    struct v4l2_capability cap = {};
    ASSERT_EQ(0, ioctl(fd, VIDIOC_QUERYCAP, &cap));
    EXPECT_STREQ("uvcvideo", reinterpret_cast<const char *>(cap.driver));
    EXPECT_STREQ("ORV USB Camera", reinterpret_cast<const char *>(cap.card));
    EXPECT_EQ(static_cast<uint32_t>(V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING |
                                    V4L2_CAP_EXT_PIX_FORMAT),
              cap.device_caps);
    EXPECT_EQ(0, close(fd));

    const auto trace = simcam::Trace();
    ASSERT_EQ(3u, trace.size());
    EXPECT_EQ(simcam::Call::kOpen, trace[0].call);
    EXPECT_EQ(O_RDWR | O_NONBLOCK, trace[0].flags);
    EXPECT_EQ(simcam::Call::kQueryCap, trace[1].call);
    EXPECT_EQ(simcam::Call::kClose, trace[2].call);
    EXPECT_EQ("QUERYCAP /dev/video0 -> 0", trace[1].Text());
}

TEST_F(Node, UnconfiguredNodeIsMissingAndOpenFaultsGiveTheirErrno) {
    errno = 0;
    EXPECT_EQ(-1, open("/dev/video1", O_RDWR));
    EXPECT_EQ(ENOENT, errno);
    for (int err : {EACCES, EBUSY, ENOENT}) {
        simcam::FailOpen("/dev/video0", err);
        errno = 0;
        EXPECT_EQ(-1, open("/dev/video0", O_RDWR));
        EXPECT_EQ(err, errno);
    }
    simcam::FailOpen("/dev/video0", 0);
    const int fd = open("/dev/video0", O_RDWR);
    EXPECT_GT(fd, 0);
    close(fd);
}

TEST_F(Node, NodeLooksLikeAV4l2CharacterDeviceWithItsSysfsFiles) {
    struct stat st = {};
    ASSERT_EQ(0, stat("/dev/video0", &st));
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    EXPECT_EQ(81u, major(st.st_rdev));
    EXPECT_EQ(0u, minor(st.st_rdev));
    const int fd = open("/dev/video0", O_RDWR);
    ASSERT_GT(fd, 0);
    struct stat fst = {};
    ASSERT_EQ(0, fstat(fd, &fst));
    EXPECT_EQ(st.st_rdev, fst.st_rdev);
    close(fd);
    errno = 0;
    EXPECT_EQ(-1, stat("/dev/video1", &st));
    EXPECT_EQ(ENOENT, errno);

    FILE *f = fopen("/sys/dev/char/81:0/uevent", "r");
    ASSERT_NE(nullptr, f);
    char text[128] = {};
    EXPECT_EQ(32u, fread(text, 1, sizeof text - 1, f));
    fclose(f);
    EXPECT_STREQ("MAJOR=81\nMINOR=0\nDEVNAME=video0\n", text);
    EXPECT_EQ(nullptr, fopen("/sys/dev/char/81:1/uevent", "r"));

    simcam::Unplug("/dev/video0");
    EXPECT_EQ(-1, stat("/dev/video0", &st));
    EXPECT_EQ(nullptr, fopen("/sys/dev/char/81:0/uevent", "r"));
}

std::string ReadAll(const std::string &path) {
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return "(cannot open)";
    std::string text;
    char buf[256];
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;)
        text.append(buf, static_cast<size_t>(n));
    close(fd);
    return text;
}

// A stock kernel does not know the identity request, but sysfs shows the USB device behind the
// node, with the raw descriptors that say where the H.264 unit is.
TEST_F(Node, OnAStockKernelTheIdentityGoesUnansweredAndSysfsShowsTheUsbDevice) {
    std::string json = simcam::DefaultConfigText();
    json.replace(json.find('{'), 1, R"({"kernel": "stock",)");
    json.replace(json.find("\"h264_unit\": 12"), 15, "\"h264_unit\": 13");
    simcam::LoadConfigText(json);
    const int fd = open("/dev/video0", O_RDWR);
    ASSERT_GT(fd, 0);
    uint8_t d[18] = {};
    EXPECT_EQ(-1, ioctl(fd, 0xC0125678, d));
    EXPECT_EQ(ENOTTY, errno);
    close(fd);

    const std::string usb = "/sys/class/video4linux/video0/device/../";
    EXPECT_EQ("2e1a\n4c01\n1234\n1\n2\n", ReadAll(usb + "idVendor") + ReadAll(usb + "idProduct") +
                                              ReadAll(usb + "bcdDevice") + ReadAll(usb + "busnum") +
                                              ReadAll(usb + "devnum"));
    EXPECT_EQ("00\n", ReadAll("/sys/dev/char/81:0/device/bInterfaceNumber"));
    const std::vector<uint8_t> bytes = orvtest::UsbDescriptors({1, 2, 0x2e1a, 0x4c01, 0x1234, 13});
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), ReadAll(usb + "descriptors"));

    const size_t identity = json.find(R"("identity": {)");
    json.replace(identity, json.find('}', identity) + 1 - identity, R"("identity": false)");
    simcam::LoadConfigText(json);
    EXPECT_EQ("(cannot open)", ReadAll(usb + "idVendor"));
    EXPECT_THROW(simcam::LoadConfigText(R"({"kernel": "mine", "nodes": []})"),
                 std::invalid_argument);
}

TEST_F(Node, FilesThatAreNoNodeAreUntouched) {
    char path[] = "/tmp/simcam-node-test-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(4, write(fd, "abcd", 4));
    void *p = mmap(nullptr, 4, PROT_READ, MAP_SHARED, fd, 0);
    ASSERT_NE(MAP_FAILED, p);
    EXPECT_EQ(0, std::memcmp(p, "abcd", 4));
    EXPECT_EQ(0, munmap(p, 4));
    ASSERT_EQ(0, lseek(fd, 0, SEEK_SET));
    char back[4];
    EXPECT_EQ(4, read(fd, back, 4));
    struct stat st = {};
    ASSERT_EQ(0, fstat(fd, &st));
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(-1, ioctl(fd, VIDIOC_QUERYCAP, nullptr));
    EXPECT_EQ(ENOTTY, errno);
    EXPECT_EQ(0, close(fd));
    unlink(path);
    EXPECT_TRUE(simcam::Trace().empty());
}

// Access priority is per descriptor: one at RECORD locks the others out of every request that
// changes the node (EBUSY) until it lowers its priority or closes; queries still work.
TEST_F(Node, HighestPriorityDescriptorLocksOthersOutOfChanges) {
    const int a = open("/dev/video0", O_RDWR);
    const int b = open("/dev/video0", O_RDWR);
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    uint32_t prio = 0;
    ASSERT_EQ(0, ioctl(b, VIDIOC_G_PRIORITY, &prio));
    EXPECT_EQ(static_cast<uint32_t>(V4L2_PRIORITY_DEFAULT), prio);
    prio = V4L2_PRIORITY_RECORD;
    ASSERT_EQ(0, ioctl(a, VIDIOC_S_PRIORITY, &prio));
    prio = 0;
    ASSERT_EQ(0, ioctl(b, VIDIOC_G_PRIORITY, &prio));
    EXPECT_EQ(static_cast<uint32_t>(V4L2_PRIORITY_RECORD), prio);

    struct v4l2_format f = {};
    f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    ASSERT_EQ(0, ioctl(b, VIDIOC_G_FMT, &f));
    EXPECT_EQ(-1, ioctl(b, VIDIOC_S_FMT, &f));
    EXPECT_EQ(EBUSY, errno);
    struct v4l2_control c = {V4L2_CID_BRIGHTNESS, 1};
    EXPECT_EQ(-1, ioctl(b, VIDIOC_S_CTRL, &c));
    EXPECT_EQ(EBUSY, errno);
    prio = V4L2_PRIORITY_RECORD;
    EXPECT_EQ(-1, ioctl(b, VIDIOC_S_PRIORITY, &prio));
    EXPECT_EQ(EBUSY, errno);
    EXPECT_EQ(0, ioctl(a, VIDIOC_S_FMT, &f));
    prio = 5;
    EXPECT_EQ(-1, ioctl(a, VIDIOC_S_PRIORITY, &prio));
    EXPECT_EQ(EINVAL, errno);

    ASSERT_EQ(0, close(a));
    EXPECT_EQ(0, ioctl(b, VIDIOC_S_FMT, &f));
    EXPECT_EQ(0, ioctl(b, VIDIOC_S_CTRL, &c));
    ASSERT_EQ(0, ioctl(b, VIDIOC_G_PRIORITY, &prio));
    EXPECT_EQ(static_cast<uint32_t>(V4L2_PRIORITY_DEFAULT), prio);
    close(b);
}

// Extended controls follow the V4L2 core's rules: a refused set changes nothing and reports
// error_idx = count, a refused try names the control, defaults are read-only, and a request
// made as one class takes only that class's controls.
TEST_F(Node, ExtendedControlsAreAllOrNothingAndNameTheFailingControl) {
    const int fd = open("/dev/video0", O_RDWR);
    ASSERT_GE(fd, 0);
    struct v4l2_ext_control x[2] = {};
    x[0].id = V4L2_CID_BRIGHTNESS;
    x[0].value = 7;
    x[1].id = 0x00980999;  // no such control
    struct v4l2_ext_controls c = {};
    c.which = V4L2_CTRL_WHICH_CUR_VAL;
    c.count = 2;
    c.controls = x;
    EXPECT_EQ(-1, ioctl(fd, VIDIOC_S_EXT_CTRLS, &c));
    EXPECT_EQ(EINVAL, errno);
    EXPECT_EQ(2u, c.error_idx);
    EXPECT_EQ(0, simcam::ControlValue("/dev/video0", V4L2_CID_BRIGHTNESS));
    EXPECT_EQ(-1, ioctl(fd, VIDIOC_TRY_EXT_CTRLS, &c));
    EXPECT_EQ(1u, c.error_idx);

    x[1].id = V4L2_CID_PAN_ABSOLUTE;
    x[1].value = 5000;  // rounded to the 3600 step
    ASSERT_EQ(0, ioctl(fd, VIDIOC_TRY_EXT_CTRLS, &c));
    EXPECT_EQ(3600, x[1].value);
    EXPECT_EQ(0, simcam::ControlValue("/dev/video0", V4L2_CID_PAN_ABSOLUTE));
    ASSERT_EQ(0, ioctl(fd, VIDIOC_S_EXT_CTRLS, &c));
    EXPECT_EQ(7, simcam::ControlValue("/dev/video0", V4L2_CID_BRIGHTNESS));
    EXPECT_EQ(3600, simcam::ControlValue("/dev/video0", V4L2_CID_PAN_ABSOLUTE));

    c.which = V4L2_CTRL_WHICH_DEF_VAL;
    ASSERT_EQ(0, ioctl(fd, VIDIOC_G_EXT_CTRLS, &c));
    EXPECT_EQ(0, x[0].value);
    EXPECT_EQ(-1, ioctl(fd, VIDIOC_S_EXT_CTRLS, &c));
    EXPECT_EQ(EINVAL, errno);
    c.which = V4L2_CTRL_CLASS_CAMERA;  // brightness is a user-class control
    EXPECT_EQ(-1, ioctl(fd, VIDIOC_G_EXT_CTRLS, &c));
    EXPECT_EQ(EINVAL, errno);
    EXPECT_EQ(2u, c.error_idx);
    close(fd);
}

}  // namespace
