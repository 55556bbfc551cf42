#include "node_files.h"

#include <fcntl.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "sim.h"
#include "usb_device_description.h"

namespace simcam {
namespace {

constexpr gid_t kVideoGroup = 44;

// "81:N/<attr>" or "videoN/<attr>" after the sysfs directory; the node's minor and attribute.
bool SplitSysfs(const char *path, int *minor, std::string *attr) {
    unsigned major = 0, n = 0;
    int used = 0;
    if (std::sscanf(path, "/sys/dev/char/%u:%u/%n", &major, &n, &used) == 2 && used > 0) {
        if (major != kV4l2Major)
            return false;
    } else if (std::sscanf(path, "/sys/class/video4linux/video%u/%n", &n, &used) == 1 && used > 0) {
    } else {
        return false;
    }
    *minor = static_cast<int>(n);
    *attr = path + used;
    return true;
}

// The USB device behind node /dev/video<minor>, if it has one.
bool UsbDeviceOfMinor(int minor, UsbDevice *out) {
    const std::string path = "/dev/video" + std::to_string(minor);
    for (UsbDevice &dev : Sim::Get().UsbDevices()) {
        for (const std::string &node : dev.nodes) {
            if (node == path) {
                *out = std::move(dev);
                return true;
            }
        }
    }
    return false;
}

std::string Hex4(unsigned v) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x\n", v & 0xffff);
    return text;
}

// The node's USB interface ("device/", the VideoControl interface 0) and the USB device above
// it ("device/../"), as the kernel's sysfs shows them; false for any other attribute.
bool UsbText(int minor, const std::string &attr, std::string *text) {
    static const std::string kInterface = "device/", kDevice = "device/../";
    if (attr.compare(0, kInterface.size(), kInterface) != 0)
        return false;
    UsbDevice dev;
    if (!UsbDeviceOfMinor(minor, &dev))
        return false;
    const std::string name = attr.compare(0, kDevice.size(), kDevice) == 0
                                 ? attr.substr(kDevice.size())
                                 : "interface/" + attr.substr(kInterface.size());
    if (name == "interface/bInterfaceNumber")
        *text = "00\n";
    else if (name == "interface/bInterfaceClass")
        *text = "0e\n";
    else if (name == "idVendor")
        *text = Hex4(dev.vendor_id);
    else if (name == "idProduct")
        *text = Hex4(dev.product_id);
    else if (name == "bcdDevice")
        *text = Hex4(dev.bcd_device);
    else if (name == "busnum")
        *text = std::to_string(dev.bus) + "\n";
    else if (name == "devnum")
        *text = std::to_string(dev.address) + "\n";
    else if (name == "descriptors") {
        const orvtest::SimUsbDevice usb{dev.bus,        dev.address,    dev.vendor_id,
                                        dev.product_id, dev.bcd_device, dev.h264_unit};
        const std::vector<uint8_t> bytes = orvtest::UsbDescriptors(usb);
        text->assign(bytes.begin(), bytes.end());
    } else {
        return false;
    }
    return true;
}

}  // namespace

void FillNodeStat(int minor, struct stat *st) {
    memset(st, 0, sizeof *st);
    st->st_dev = makedev(0, 5);
    st->st_ino = 1000 + static_cast<ino_t>(minor);
    st->st_mode = S_IFCHR | 0660;
    st->st_nlink = 1;
    st->st_uid = 0;
    st->st_gid = kVideoGroup;
    st->st_rdev = makedev(kV4l2Major, static_cast<unsigned>(minor));
    st->st_blksize = 4096;
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    st->st_atim = st->st_mtim = st->st_ctim = now;
}

#ifdef STATX_TYPE
void FillNodeStatx(int minor, struct statx *stx) {
    struct stat st;
    FillNodeStat(minor, &st);
    memset(stx, 0, sizeof *stx);
    stx->stx_mask = STATX_BASIC_STATS;
    stx->stx_blksize = static_cast<uint32_t>(st.st_blksize);
    stx->stx_nlink = static_cast<uint32_t>(st.st_nlink);
    stx->stx_uid = st.st_uid;
    stx->stx_gid = st.st_gid;
    stx->stx_mode = static_cast<uint16_t>(st.st_mode);
    stx->stx_ino = st.st_ino;
    stx->stx_rdev_major = kV4l2Major;
    stx->stx_rdev_minor = static_cast<uint32_t>(minor);
    stx->stx_dev_major = 0;
    stx->stx_dev_minor = 5;
    stx->stx_atime.tv_sec = stx->stx_mtime.tv_sec = stx->stx_ctime.tv_sec = st.st_mtim.tv_sec;
}
#endif

bool SysfsText(const char *path, std::string *text) {
    int minor = -1;
    std::string attr;
    if (!path || strncmp(path, "/sys/", 5) != 0 || !SplitSysfs(path, &minor, &attr))
        return false;
    std::string card;
    if (!Sim::Get().CardOfMinor(minor, &card))
        return false;
    const std::string n = std::to_string(minor);
    if (attr == "uevent")
        *text = "MAJOR=81\nMINOR=" + n + "\nDEVNAME=video" + n + "\n";
    else if (attr == "name")
        *text = card + "\n";
    else if (attr == "dev")
        *text = "81:" + n + "\n";
    else if (attr == "index")
        *text = "0\n";
    else
        return UsbText(minor, attr, text);
    return true;
}

int OpenText(const std::string &text, int flags) {
    const int fd = memfd_create("simcam-sysfs", (flags & O_CLOEXEC) ? MFD_CLOEXEC : 0);
    if (fd < 0)
        return -1;
    if (write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()) ||
        lseek(fd, 0, SEEK_SET) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace simcam
