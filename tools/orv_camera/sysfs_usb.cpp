#include "sysfs_usb.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace orvcli {
namespace {

// Raw descriptors of any USB device fit: each configuration is at most 64 KiB.
constexpr size_t kMaxFile = 1 << 20;

// "/sys/dev/char/M:N/" of a character device node, or "".
std::string SysfsDir(const std::string &node) {
    struct stat st {};
    if (stat(node.c_str(), &st) != 0 || !S_ISCHR(st.st_mode))
        return "";
    return "/sys/dev/char/" + std::to_string(major(st.st_rdev)) + ":" +
           std::to_string(minor(st.st_rdev)) + "/";
}

// The whole file (at most kMaxFile bytes); false when it can't be opened or read.
bool ReadFile(const std::string &path, std::string *out) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    out->clear();
    char buf[4096];
    bool ok = true;
    while (out->size() < kMaxFile) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        out->append(buf, static_cast<size_t>(n));
    }
    close(fd);
    return ok;
}

// A sysfs number ("2e1a\n" in `base` 16, "3\n" in base 10) no larger than `max`.
bool ReadNumber(const std::string &path, int base, long max, int *value) {
    std::string text;
    if (!ReadFile(path, &text) || text.empty())
        return false;
    char *end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, base);
    if (errno != 0 || end == text.c_str() || (*end != '\n' && *end != '\0') || v < 0 || v > max)
        return false;
    *value = static_cast<int>(v);
    return true;
}

}  // namespace

bool ReadSysfsUsbDevice(const std::string &node, SysfsUsbDevice *out) {
    const std::string dir = SysfsDir(node);
    if (dir.empty())
        return false;
    // "device" is the USB interface; ".." after it is resolved by the kernel from the link's
    // target, so "device/../" is the USB device.
    const std::string usb = dir + "device/../";
    int vendor = 0, product = 0, bcd = 0, bus = 0, address = 0;
    if (!ReadNumber(usb + "idVendor", 16, 0xffff, &vendor) ||
        !ReadNumber(usb + "idProduct", 16, 0xffff, &product) ||
        !ReadNumber(usb + "bcdDevice", 16, 0xffff, &bcd) ||
        !ReadNumber(usb + "busnum", 10, 0xffff, &bus) ||
        !ReadNumber(usb + "devnum", 10, 0xffff, &address))
        return false;
    int interface_number = -1;
    if (!ReadNumber(dir + "device/bInterfaceNumber", 16, 0xff, &interface_number))
        interface_number = -1;
    out->vendor = static_cast<uint16_t>(vendor);
    out->product = static_cast<uint16_t>(product);
    out->bcd_device = static_cast<uint16_t>(bcd);
    out->busnum = bus;
    out->devnum = address;
    out->interface_number = interface_number;
    return true;
}

std::vector<uint8_t> ReadSysfsDescriptors(const std::string &node) {
    const std::string dir = SysfsDir(node);
    std::string bytes;
    if (dir.empty() || !ReadFile(dir + "device/../descriptors", &bytes))
        return {};
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace orvcli
