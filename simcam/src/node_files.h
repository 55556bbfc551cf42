// What the file system shows of a simulated node: its character-device identity (V4L2 major
// 81, minor N) and its sysfs attribute files.
#pragma once

#include <sys/stat.h>

#include <string>

namespace simcam {

constexpr unsigned kV4l2Major = 81;

// A simulated node's stat: a character device 81:minor owned by root:video, mode 0660.
void FillNodeStat(int minor, struct stat *st);
#ifdef STATX_TYPE
void FillNodeStatx(int minor, struct statx *stx);
#endif

// The text of a simulated node's sysfs file (/sys/dev/char/81:N/uevent, .../name, .../dev,
// .../index, and the same under /sys/class/video4linux/videoN/); for a node with a USB device,
// also its interface's device/bInterfaceNumber and device/bInterfaceClass, and the USB
// device's device/../{idVendor,idProduct,bcdDevice,busnum,devnum,descriptors} (the binary raw
// descriptors), as the path resolves through the kernel's "device" link. False for any other
// path.
bool SysfsText(const char *path, std::string *text);

// A descriptor reading that text (a memfd at offset 0), or -1.
int OpenText(const std::string &text, int flags);

}  // namespace simcam
