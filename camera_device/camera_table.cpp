// The opened-device table: four static slots, their in-use flags and the one lock that
// guards them, the lookups, the names being opened, entering a device and closing it.
#include <pthread.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "camera_internal.h"
#include "uvc/uvc_maker_commands.h"

namespace {

// Zero at load, which is also a default mutex until init_camera_device initialises it.
CameraDevice opened_devices[CAMERA_DEVICE_MAX_OPENED];
int opened_in_use[CAMERA_DEVICE_MAX_OPENED];
pthread_mutex_t opened_lock;

// Beside each slot: whether it captures, the dequeued buffer that the device's caller may still
// be reading, the extension unit the device was opened with, and when an I-frame was last asked
// for.
struct SlotState {
    bool capturing;  // from a start that succeeded to the stop or close
    bool held;
    struct v4l2_buffer frame;
    int unit;
    bool iframe_asked;
    int64_t iframe_asked_ms;
};
SlotState slot_states[CAMERA_DEVICE_MAX_OPENED];

// Names that an open_device is opening right now, not yet in a slot.
std::vector<std::string> &claimed_names() {
    static std::vector<std::string> names;
    return names;
}

constexpr int64_t kIframeRequestIntervalMs = 1000;

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

// Under the lock.
CameraDevice *slot_by_name(const char *dev_name) {
    for (CameraDevice &slot : opened_devices)
        if (strcmp(slot.dev_name, dev_name) == 0)
            return &slot;
    return nullptr;
}

SlotState &held_of(const CameraDevice *slot) {
    return slot_states[slot - opened_devices];
}

}  // namespace

// Runs once per process: a second call (each JNI_OnLoad makes one) must not initialise the lock
// again while another thread may hold it; every call gives the first result.
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
    return slot_by_name(dev_name);
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
        CAM_LOG(ANDROID_LOG_ERROR, "close_device", " closeVideo error, fd:%d camera not found", fd);
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
    held_of(slot).capturing = false;
}

namespace orv {
namespace device {

int64_t monotonic_ms() {
    struct timespec now = {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

bool claim_name(const char *dev_name) {
    TableLock lock;
    std::vector<std::string> &claims = claimed_names();
    if (slot_by_name(dev_name) != nullptr ||
        std::find(claims.begin(), claims.end(), dev_name) != claims.end())
        return false;
    claims.emplace_back(dev_name);
    return true;
}

void release_name(const char *dev_name) {
    TableLock lock;
    std::vector<std::string> &claims = claimed_names();
    const auto it = std::find(claims.begin(), claims.end(), dev_name);
    if (it != claims.end())
        claims.erase(it);
}

bool with_opened_node(const char *dev_name, const std::function<void(int fd)> &use) {
    TableLock lock;
    const CameraDevice *slot = slot_by_name(dev_name);
    if (slot == nullptr || slot->fd <= 0)
        return false;
    use(slot->fd);
    return true;
}

CameraDevice *enter_device(int fd, const char *dev_name, int unit, int dump_enable,
                           const char *dump_path) {
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
    slot_states[free_slot].capturing = false;
    slot_states[free_slot].held = false;
    slot_states[free_slot].unit = unit;
    slot_states[free_slot].iframe_asked = false;
    opened_in_use[free_slot] = 1;
    return &slot;
}

CameraDevice *open_slot(int fd) {
    return fd > 0 ? findOpenedDeviceByFD(fd) : nullptr;
}

void hold_frame(const CameraDevice *slot, const struct v4l2_buffer &frame) {
    SlotState &held = held_of(slot);
    held.frame = frame;
    held.held = true;
}

void requeue_held_frame(const CameraDevice *slot) {
    SlotState &held = held_of(slot);
    if (!held.held)
        return;
    held.held = false;
    v4l2_queue_buf(slot->fd, &held.frame);
}

void forget_held_frame(const CameraDevice *slot) {
    held_of(slot).held = false;
}

bool capturing(const CameraDevice *slot) {
    return held_of(slot).capturing;
}

void set_capturing(const CameraDevice *slot, bool on) {
    held_of(slot).capturing = on;
}

void ask_for_iframe(const CameraDevice *slot) {
    SlotState &state = held_of(slot);
    const int64_t now = monotonic_ms();
    if (state.iframe_asked && now - state.iframe_asked_ms < kIframeRequestIntervalMs)
        return;
    state.iframe_asked = true;
    state.iframe_asked_ms = now;
    uvc_send_iframe_request(state.unit, slot->fd);
}

}  // namespace device
}  // namespace orv
