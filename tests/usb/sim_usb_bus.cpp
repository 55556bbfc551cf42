#include "sim_usb_bus.h"

#include <libusb.h>
#include <umockdev.h>

#include <cstdio>
#include <stdexcept>

namespace orvtest {

namespace {

void Check(bool ok, GError *error, const char *what) {
    if (ok)
        return;
    const std::string message = std::string(what) + ": " + (error ? error->message : "failed");
    if (error)
        g_error_free(error);
    throw std::runtime_error(message);
}

}  // namespace

SimUsbBus::SimUsbBus() : testbed_(umockdev_testbed_new()) {
    // Answered by the preload library, and only once a testbed exists.
    if (!umockdev_in_mock_environment()) {
        g_object_unref(testbed_);
        throw std::runtime_error("not under umockdev's preload library: refusing the real bus");
    }
}

SimUsbBus::~SimUsbBus() {
    g_object_unref(testbed_);
}

void SimUsbBus::AddDescribed(const SimUsbDevice &dev, bool with_node) {
    // libusb lists devices in the reverse order of their sysfs names: count down so the list
    // follows the order of the calls.
    char name[16];
    snprintf(name, sizeof name, "usb-%03d", 999 - added_++);
    GError *error = nullptr;
    const bool ok = umockdev_testbed_add_from_string(
        testbed_, UsbDeviceDescription(dev, name, with_node).c_str(), &error);
    Check(ok, error, "adding a USB device");
}

void SimUsbBus::Add(const SimUsbDevice &dev) {
    AddDescribed(dev, true);
}

void SimUsbBus::AddWithoutNode(const SimUsbDevice &dev) {
    AddDescribed(dev, false);
}

std::vector<std::pair<unsigned, unsigned>> SimUsbBus::ListOrder() const {
    std::vector<std::pair<unsigned, unsigned>> order;
    libusb_context *ctx = nullptr;
    if (libusb_init(&ctx) != 0)
        throw std::runtime_error("libusb_init failed on the simulated bus");
    libusb_device **devices = nullptr;
    const ssize_t n = libusb_get_device_list(ctx, &devices);
    for (ssize_t i = 0; i < n; ++i)
        order.emplace_back(libusb_get_bus_number(devices[i]),
                           libusb_get_device_address(devices[i]));
    if (n >= 0)
        libusb_free_device_list(devices, 1);
    libusb_exit(ctx);
    return order;
}

UsbfsIoctlRecorder::UsbfsIoctlRecorder(SimUsbBus &bus, std::string devnode, int fail_errno)
    : bus_(bus),
      devnode_(std::move(devnode)),
      fail_errno_(fail_errno),
      handler_(umockdev_ioctl_base_new()) {
    g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(&UsbfsIoctlRecorder::OnIoctl), this);
    GError *error = nullptr;
    const bool ok =
        umockdev_testbed_attach_ioctl(bus_.testbed(), devnode_.c_str(), handler_, &error);
    if (!ok)
        g_object_unref(handler_);
    Check(ok, error, "attaching the ioctl recorder");
}

UsbfsIoctlRecorder::~UsbfsIoctlRecorder() {
    umockdev_testbed_detach_ioctl(bus_.testbed(), devnode_.c_str(), nullptr);
    g_object_unref(handler_);
    // The worker thread's last push reached us through umockdev's socket, which ThreadSanitizer
    // cannot see: taking the lock orders it before the vector is destroyed.
    std::lock_guard<std::mutex> lock(mutex_);
}

std::vector<unsigned long> UsbfsIoctlRecorder::requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

// Runs on umockdev's worker thread.
int UsbfsIoctlRecorder::OnIoctl(UMockdevIoctlBase *, void *client, void *self) {
    auto *recorder = static_cast<UsbfsIoctlRecorder *>(self);
    auto *c = static_cast<UMockdevIoctlClient *>(client);
    {
        std::lock_guard<std::mutex> lock(recorder->mutex_);
        recorder->requests_.push_back(umockdev_ioctl_client_get_request(c));
    }
    if (recorder->fail_errno_ == 0)
        umockdev_ioctl_client_complete(c, 0, 0);
    else
        umockdev_ioctl_client_complete(c, -1, recorder->fail_errno_);
    return TRUE;
}

}  // namespace orvtest
