// The maker's cameras on /dev/video0 to /dev/video7 and where each one's USB identity came
// from: the library's discovery (the identity request, answered by the maker's kernels), or,
// for a node whose driver does not answer it (a stock kernel), the USB device sysfs shows.
#pragma once

#include <vector>

#include "camera_discovery.h"
#include "sysfs_usb.h"

namespace orvcli {

enum class IdentitySource { kCamera, kSysfs };

struct FoundCamera {
    DiscoveredCamera entry{};  // filled as discovery fills it, by the same rules
    IdentitySource source = IdentitySource::kCamera;
    SysfsUsbDevice usb;  // for kSysfs: the device sysfs names
};

// "camera" or "sysfs".
const char *SourceName(IdentitySource source);

// Discovery's entries, and in node order among them the nodes discovery left out because
// their identity request went unanswered, when sysfs names a USB device of the maker's vendor
// id and the node offers H.264 or the code-0 format. Those are typed with the library's
// identity rules: switchbox, listed (or dual-stream) camera, other device of the maker.
std::vector<FoundCamera> FindCameras();

}  // namespace orvcli
