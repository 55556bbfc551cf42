// The cameras on the video nodes and on the USB bus: list, usb, firmware, reset, version.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "camera_discovery.h"
#include "camera_scan.h"
#include "cli_common.h"
#include "commands.h"

namespace orvcli {
namespace {

const char *TypeName(int type) {
    switch (type) {
        case ORV_CAMERA_TYPE_SWITCHBOX:
            return "switchbox";
        case ORV_CAMERA_TYPE_CAMERA:
            return "camera";
        default:
            return "other";
    }
}

const char *YesNo(int flag) {
    return flag ? "yes" : "no";
}

// The firmware version of the USB device with these ids, or "" when none is attached.
std::string Firmware(int vendor, int product) {
    char version[ORV_CAMERA_VERSION_SIZE] = "";
    return get_orv_camera_version(vendor, product, version) == 0 ? version : "";
}

// "camera", or "sysfs, bus BBB device DDD" (where lsusb shows the device).
std::string Source(const FoundCamera &found) {
    if (found.source != IdentitySource::kSysfs)
        return SourceName(found.source);
    char where[48];
    std::snprintf(where, sizeof where, "%s, bus %03d device %03d", SourceName(found.source),
                  found.usb.busnum, found.usb.devnum);
    return where;
}

int List() {
    const std::vector<FoundCamera> cameras = FindCameras();
    if (cameras.empty())
        return Fail(kNotFound, "no camera of the maker on /dev/video0 to /dev/video7");
    // The identity's source comes last: scripts read the columns before it by position.
    std::printf("%-12s %-9s %-9s %-5s %-5s %-6s %-8s %s\n", "NODE", "TYPE", "USB ID", "H.264",
                "H.265", "ON USB", "FIRMWARE", "ID FROM");
    for (const FoundCamera &found : cameras) {
        const DiscoveredCamera &c = found.entry;
        const std::string firmware = Firmware(c.vendor_id, c.product_id);
        std::printf("%-12s %-9s %-9s %-5s %-5s %-6s %-8s %s\n", c.name, TypeName(c.type),
                    UsbIdText(c.vendor_id, c.product_id).c_str(), YesNo(c.supports_h264),
                    YesNo(c.supports_h265), YesNo(!firmware.empty()),
                    firmware.empty() ? "-" : firmware.c_str(), Source(found).c_str());
    }
    return kOk;
}

int Usb(bool dual) {
    int vendor = 0, product = 0;
    const int found =
        dual ? has_orv_dual_stream_camera(&vendor, &product) : has_orv_camera(&vendor, &product);
    if (found != 0)
        return Fail(kNotFound, dual ? "no dual-stream camera of the maker on the USB bus"
                                    : "no camera of the maker on the USB bus");
    const std::string firmware = Firmware(vendor, product);
    std::printf("%s firmware %s%s\n", UsbIdText(vendor, product).c_str(),
                firmware.empty() ? "unknown" : firmware.c_str(),
                is_orv_camera(vendor, product) == 1 ? "" : " (not a listed camera)");
    return kOk;
}

int FirmwareCommand(const std::string &id) {
    int vendor = 0, product = 0;
    if (!ParseUsbId(id, &vendor, &product))
        return Fail(kUsage, "not a USB id (vvvv:pppp): " + id);
    const std::string firmware = Firmware(vendor, product);
    if (firmware.empty())
        return Fail(kNotFound, "no USB device " + UsbIdText(vendor, product));
    std::printf("%s\n", firmware.c_str());
    return kOk;
}

int Reset(const std::string &id) {
    int vendor = 0, product = 0;
    if (!ParseUsbId(id, &vendor, &product))
        return Fail(kUsage, "not a USB id (vvvv:pppp): " + id);
    if (Firmware(vendor, product).empty())
        return Fail(kNotFound, "no USB device " + UsbIdText(vendor, product));
    if (reset_orv_camera(vendor, product) != 0)
        return Fail(kFailed, "the reset of " + UsbIdText(vendor, product) +
                                 " was refused (is its /dev/bus/usb node writable?)");
    std::printf("reset %s\n", UsbIdText(vendor, product).c_str());
    return kOk;
}

}  // namespace

void AddUsbCommands(Cli &cli) {
    cli.Add("list",
            "List the maker's cameras on /dev/video0-7, with USB presence, firmware version "
            "and where their identity came from (the camera, or sysfs on a stock kernel)")
        .Runs(List);

    auto dual = std::make_shared<bool>(false);
    cli.Add("usb", "Is a camera of the maker on the USB bus?")
        .Flag("--dual", dual.get(), "Look for a dual-stream camera")
        .Runs([dual] { return Usb(*dual); });

    auto id = std::make_shared<std::string>();
    cli.Add("firmware", "Firmware version of the USB device with these ids")
        .Text("id", id.get(), "USB ids, vvvv:pppp")
        .Required()
        .Runs([id] { return FirmwareCommand(*id); });

    auto reset_id = std::make_shared<std::string>();
    cli.Add("reset", "Reset the USB device with these ids")
        .Text("id", reset_id.get(), "USB ids, vvvv:pppp")
        .Required()
        .Runs([reset_id] { return Reset(*reset_id); });

    cli.Add("version", "Version of the camera library").Runs([] {
        std::printf("libvistara %s\n", get_sdk_version());
        return kOk;
    });
}

}  // namespace orvcli
