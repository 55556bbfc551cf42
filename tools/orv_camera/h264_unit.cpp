#include "h264_unit.h"

#include <sys/stat.h>

#include <cstdio>
#include <vector>

#include "cli_common.h"
#include "sysfs_usb.h"
#include "usb_descriptors.h"

namespace orvcli {

std::string CheckUnitText(const std::string &text) {
    int unit = 0;
    if (text == "auto" || (ParseInt(text, &unit) && unit >= 1 && unit <= 255))
        return "";
    return "--unit takes auto or a unit id from 1 to 255, not '" + text + "'";
}

int ChooseUnit(const std::string &text, const std::string &node) {
    int unit = 0;
    if (text != "auto")
        return ParseInt(text, &unit) ? unit : kDefaultH264Unit;
    // A missing node: the command says so when it opens it; no word about units first.
    struct stat st {};
    if (stat(node.c_str(), &st) != 0)
        return kDefaultH264Unit;
    const std::vector<uint8_t> descriptors = ReadSysfsDescriptors(node);
    SysfsUsbDevice usb;
    const int interface_number = ReadSysfsUsbDevice(node, &usb) ? usb.interface_number : -1;
    GuidOrder order = GuidOrder::kWire;
    unit = FindH264UnitId(descriptors.data(), descriptors.size(), interface_number, &order);
    if (unit > 0) {
        std::fprintf(stderr, "orv-camera: H.264 unit %d, from the USB descriptors of %s%s\n", unit,
                     node.c_str(),
                     order == GuidOrder::kBigEndian
                         ? " (its GUID with the first three fields big-endian)"
                         : " (its GUID in wire order)");
        return unit;
    }
    const std::string why = descriptors.empty()
                                ? "cannot read the USB descriptors of " + node
                                : "the USB descriptors of " + node + " describe no H.264 unit";
    std::fprintf(stderr, "orv-camera: warning: %s; using unit %d\n", why.c_str(), kDefaultH264Unit);
    return kDefaultH264Unit;
}

}  // namespace orvcli
