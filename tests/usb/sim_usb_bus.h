// A simulated USB bus for tests: a umockdev testbed holding USB devices with chosen bus
// numbers, addresses and descriptor ids, each with its sysfs entry and usbfs node, so that the
// real libusb enumerates them and open("/dev/bus/usb/BBB/DDD") reaches them.
//
// The process must run under umockdev's preload library (umockdev-wrapper, or LD_PRELOAD with
// libumockdev-preload.so.0); SimUsbBus refuses to start otherwise, so a test never reaches the
// real bus.
#pragma once

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "usb_device_description.h"

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;

namespace orvtest {

class SimUsbBus {
  public:
    SimUsbBus();
    ~SimUsbBus();
    SimUsbBus(const SimUsbBus &) = delete;
    SimUsbBus &operator=(const SimUsbBus &) = delete;

    // Attaches a device. libusb lists the devices in the order they were added.
    void Add(const SimUsbDevice &dev);
    // Attaches a device that is in sysfs but whose usbfs node is missing (it went away).
    void AddWithoutNode(const SimUsbDevice &dev);
    // (bus, address) of every attached device in libusb's list order.
    std::vector<std::pair<unsigned, unsigned>> ListOrder() const;

    UMockdevTestbed *testbed() const { return testbed_; }

  private:
    void AddDescribed(const SimUsbDevice &dev, bool with_node);

    UMockdevTestbed *testbed_;
    int added_ = 0;
};

// Answers every ioctl on one device node with a chosen result and records the requests, in
// order. Detaches when it goes out of scope.
class UsbfsIoctlRecorder {
  public:
    // `fail_errno` 0: each ioctl returns 0; otherwise it returns -1 with that errno.
    UsbfsIoctlRecorder(SimUsbBus &bus, std::string devnode, int fail_errno = 0);
    ~UsbfsIoctlRecorder();
    UsbfsIoctlRecorder(const UsbfsIoctlRecorder &) = delete;
    UsbfsIoctlRecorder &operator=(const UsbfsIoctlRecorder &) = delete;

    std::vector<unsigned long> requests() const;

  private:
    static int OnIoctl(UMockdevIoctlBase *handler, void *client, void *self);

    SimUsbBus &bus_;
    std::string devnode_;
    int fail_errno_;
    UMockdevIoctlBase *handler_;
    mutable std::mutex mutex_;
    std::vector<unsigned long> requests_;
};

}  // namespace orvtest
