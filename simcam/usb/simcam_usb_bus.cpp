// Prints the simulated camera's USB devices in umockdev's device-description format, for
// `umockdev-run --device FILE`: the devices of simcam::UsbDevices() (the configuration of
// $SIMCAM_CONFIG, or the default one) on bus 1 at addresses 2, 3, ... in node order, listed by
// libusb in that order, each with the descriptors its nodes' sysfs shows. Exit status 2 when the
// configuration can't be loaded.
// With --print-config it prints the default configuration instead, as JSON a user may copy,
// edit and hand to scripts/simcam --config.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "simcam/simcam.h"
#include "usb_device_description.h"

int main(int argc, char **argv) {
    if (argc > 1 && std::strcmp(argv[1], "--print-config") == 0) {
        std::printf("%s\n", simcam::DefaultConfigText().c_str());
        return 0;
    }
    std::vector<simcam::UsbDevice> devices;
    try {
        devices = simcam::UsbDevices();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "simcam-usb-bus: %s\n", e.what());
        return 2;
    }
    for (size_t i = 0; i < devices.size(); ++i) {
        const simcam::UsbDevice &d = devices[i];
        const orvtest::SimUsbDevice dev{d.bus,        d.address,    d.vendor_id,
                                        d.product_id, d.bcd_device, d.h264_unit};
        // libusb lists devices in the reverse order of their sysfs names.
        char sysfs_name[16];
        std::snprintf(sysfs_name, sizeof sysfs_name, "usb-%03d", static_cast<int>(999 - i));
        std::fputs(orvtest::UsbDeviceDescription(dev, sysfs_name).c_str(), stdout);
        std::fputs("\n", stdout);
    }
    return 0;
}
