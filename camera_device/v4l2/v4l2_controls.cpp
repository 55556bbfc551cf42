// Any camera control by id: the usability check, get, set, and default/minimum/maximum.
// Problems go to standard output (the failed query to standard error), ungated.
#include <sys/ioctl.h>

#include <cstdio>

#include "v4l2/v4l2_controls.h"
#include "v4l2/v4l2_driver_text.h"

using orv::v4l2::DriverText;

namespace {

// Writes `value` to control `id`.
int write_control(int fd, int id, int value) {
    struct v4l2_control control = {};
    control.id = static_cast<__u32>(id);
    control.value = value;
    if (ioctl(fd, VIDIOC_S_CTRL, &control) < 0) {
        puts("ioctl set control error");
        return -1;
    }
    return 0;
}

enum class Limit { kDefault, kMinimum, kMaximum };

int set_to(int fd, int id, Limit limit) {
    struct v4l2_queryctrl query = {};
    if (isv4l2Control(fd, id, &query) < 0)
        return -1;
    const int values[] = {query.default_value, query.minimum, query.maximum};
    return write_control(fd, id, values[static_cast<int>(limit)]);
}

}  // namespace

extern "C" int isv4l2Control(int fd, int id, struct v4l2_queryctrl *query) {
    struct v4l2_queryctrl local = {};
    struct v4l2_queryctrl *q = query != nullptr ? query : &local;
    *q = v4l2_queryctrl{};
    q->id = static_cast<__u32>(id);
    if (ioctl(fd, VIDIOC_QUERYCTRL, q) < 0) {
        perror("ioctl querycontrol error");
        return -1;
    }
    if (q->flags & V4L2_CTRL_FLAG_DISABLED) {
        printf("control %s disabled\n", DriverText<sizeof q->name>(q->name).c_str());
        return -1;
    }
    if (q->type & 2)  // boolean, menu and the other types with bit 1 set
        return 1;
    if (q->type & 1)  // integer and the other types with bit 0 set
        return 0;
    printf("contol %s unsupported\n", DriverText<sizeof q->name>(q->name).c_str());
    return -1;
}

extern "C" int v4l2GetControl(int fd, int id, int *value) {
    struct v4l2_queryctrl query = {};
    if (isv4l2Control(fd, id, &query) < 0)
        return -1;
    struct v4l2_control control = {};
    control.id = static_cast<__u32>(id);
    if (ioctl(fd, VIDIOC_G_CTRL, &control) < 0) {
        puts("ioctl get control error");
        return -1;
    }
    if (value != nullptr)
        *value = control.value;
    return 0;
}

extern "C" int v4l2SetControl(int fd, int id, int value) {
    struct v4l2_queryctrl query = {};
    if (isv4l2Control(fd, id, &query) < 0)
        return -1;
    if (value < query.minimum || value > query.maximum) {
        puts("set value error");
        return 0;
    }
    return write_control(fd, id, value);
}

extern "C" int v4l2SetDefault(int fd, int id) {
    return set_to(fd, id, Limit::kDefault);
}

extern "C" int v4l2SetMin(int fd, int id) {
    return set_to(fd, id, Limit::kMinimum);
}

extern "C" int v4l2SetMax(int fd, int id) {
    return set_to(fd, id, Limit::kMaximum);
}
