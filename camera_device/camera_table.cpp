// The opened-device table: four static slots, their in-use flags and the one lock that
// guards them, the lookups, entering a device and closing it.
#include <pthread.h>
#include <string.h>
#include <unistd.h>

#include <mutex>

#include "camera_internal.h"

namespace {

// Zero at load, which is also a default mutex until init_camera_device initialises it.
CameraDevice opened_devices[CAMERA_DEVICE_MAX_OPENED];
int opened_in_use[CAMERA_DEVICE_MAX_OPENED];
pthread_mutex_t opened_lock;

// Beside each slot: the dequeued buffer that the device's caller may still be reading.
struct HeldFrame {
    bool held;
    struct v4l2_buffer frame;
};
HeldFrame held_frames[CAMERA_DEVICE_MAX_OPENED];

class TableLock {
  public:
    TableLock() { pthread_mutex_lock(&opened_lock); }
    ~TableLock() { pthread_mutex_unlock(&opened_lock); }
    TableLock(const TableLock &) = delete;
    TableLock &operator=(const TableLock &) = delete;
};

// Under the lock.
CameraDevice *slot_by_fd(int fd) {
    for (CameraDevice &slot : opened_devices)
        if (slot.fd == fd)
            return &slot;
    return nullptr;
}

HeldFrame &held_of(const CameraDevice *slot) { return held_frames[slot - opened_devices]; }

}  // namespace

extern "C" int init_camera_device(void) {
    static std::once_flag once;
    static int result = 0;
    std::call_once(once, [] { result = pthread_mutex_init(&opened_lock, nullptr); });
    return result;
}

extern "C" CameraDevice *findOpenedDeviceByFD(int fd) {
    TableLock lock;
    return slot_by_fd(fd);
}

extern "C" CameraDevice *findOpenedDeviceByName(const char *dev_name) {
    if (dev_name == nullptr)
        return nullptr;
    TableLock lock;
    for (CameraDevice &slot : opened_devices)
        if (strcmp(slot.dev_name, dev_name) == 0)
            return &slot;
    return nullptr;
}

extern "C" int get_opened_device_name_by_fd(int fd, char *out) {
    if (out == nullptr)
        return 0;
    TableLock lock;
    if (const CameraDevice *slot = slot_by_fd(fd))
        memcpy(out, slot->dev_name, strlen(slot->dev_name) + 1);
    return 0;
}

extern "C" void close_device(int fd) {
    CAM_LOG(ANDROID_LOG_INFO, "close_device", " close device");
    TableLock lock;
    CameraDevice *slot = slot_by_fd(fd);
    if (slot == nullptr) {
        CAM_LOG(ANDROID_LOG_ERROR, "close_device", " closeVideo error, fd:%d camera not found",
                fd);
        return;
    }
    opened_in_use[slot - opened_devices] = 0;
    if (slot->dump_file != nullptr) {
        fclose(slot->dump_file);
        slot->dump_file = nullptr;
    }
    if (slot->fd > 0) {
        close(slot->fd);
        slot->fd = -1;
        slot->dump_bytes = 0;
        memset(slot->dev_name, 0, sizeof slot->dev_name);
    }
    held_of(slot).held = false;
}

namespace orv {
namespace device {

CameraDevice *enter_device(int fd, const char *dev_name, int dump_enable, const char *dump_path) {
    TableLock lock;
    int free_slot = -1;
    for (int i = 0; i < CAMERA_DEVICE_MAX_OPENED && free_slot < 0; ++i)
        if (opened_in_use[i] <= 0)
            free_slot = i;
    if (free_slot < 0)
        return nullptr;

    CameraDevice &slot = opened_devices[free_slot];
    slot.fd = fd;
    memcpy(slot.dev_name, dev_name, strlen(dev_name) + 1);
    if (dump_enable != 0) {
        // A missing path is a path that cannot be opened.
        slot.dump_file = dump_path != nullptr ? fopen(dump_path, "wb") : nullptr;
        if (slot.dump_file == nullptr)
            CAM_LOG(ANDROID_LOG_WARN, "open_device", " open h264 file fail");
        slot.dump_bytes = 0;
    }
    slot.memory = V4L2_MEMORY_MMAP;
    held_frames[free_slot].held = false;
    opened_in_use[free_slot] = 1;
    return &slot;
}

CameraDevice *open_slot(int fd) { return fd > 0 ? findOpenedDeviceByFD(fd) : nullptr; }

void hold_frame(const CameraDevice *slot, const struct v4l2_buffer &frame) {
    HeldFrame &held = held_of(slot);
    held.frame = frame;
    held.held = true;
}

void requeue_held_frame(const CameraDevice *slot) {
    HeldFrame &held = held_of(slot);
    if (!held.held)
        return;
    held.held = false;
    v4l2_queue_buf(slot->fd, &held.frame);
}

void forget_held_frame(const CameraDevice *slot) { held_of(slot).held = false; }

}  // namespace device
}  // namespace orv
