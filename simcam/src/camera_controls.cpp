// V4L2 controls: QUERYCTRL (with NEXT_CTRL), G_CTRL and S_CTRL, answered as uvcvideo answers.
#include <errno.h>

#include <cstring>

#include "camera.h"

namespace simcam {

const ControlConfig *Camera::FindControl(uint32_t id) const {
    for (const ControlConfig &c : config_.controls)
        if (c.id == id)
            return &c;
    return nullptr;
}

int Camera::QueryCtrl(struct v4l2_queryctrl *q, TraceEntry *t) {
    t->id = q->id;
    if (int e = TakeFault(Call::kQueryCtrl))
        return -e;
    const ControlConfig *found = nullptr;
    if (q->id & V4L2_CTRL_FLAG_NEXT_CTRL) {
        const uint32_t after = q->id & ~(V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND);
        for (const ControlConfig &c : config_.controls)
            if (c.id > after && (!found || c.id < found->id))
                found = &c;
    } else {
        found = FindControl(q->id);
    }
    if (!found)
        return -EINVAL;
    std::memset(q, 0, sizeof *q);
    q->id = found->id;
    q->type = found->type;
    std::strncpy(reinterpret_cast<char *>(q->name), found->name.c_str(), sizeof q->name - 1);
    q->minimum = found->minimum;
    q->maximum = found->maximum;
    q->step = found->step;
    q->default_value = found->default_value;
    q->flags = found->flags;
    if (found->type == V4L2_CTRL_TYPE_BUTTON)
        q->flags |= V4L2_CTRL_FLAG_WRITE_ONLY;
    return 0;
}

int Camera::GetCtrl(struct v4l2_control *c, TraceEntry *t) {
    t->id = c->id;
    if (int e = TakeFault(Call::kGetCtrl))
        return -e;
    auto fault = faults_.controls.find(c->id);
    if (fault != faults_.controls.end() && fault->second)
        return -fault->second;
    const ControlConfig *cfg = FindControl(c->id);
    if (!cfg || (cfg->flags & V4L2_CTRL_FLAG_DISABLED))
        return -EINVAL;
    if ((cfg->flags & V4L2_CTRL_FLAG_WRITE_ONLY) || cfg->type == V4L2_CTRL_TYPE_BUTTON)
        return -EACCES;
    c->value = controls_[c->id];
    t->value = c->value;
    return 0;
}

int Camera::SetCtrl(struct v4l2_control *c, TraceEntry *t) {
    t->id = c->id;
    t->value = c->value;
    if (int e = TakeFault(Call::kSetCtrl))
        return -e;
    auto fault = faults_.controls.find(c->id);
    if (fault != faults_.controls.end() && fault->second)
        return -fault->second;
    const ControlConfig *cfg = FindControl(c->id);
    if (!cfg || (cfg->flags & V4L2_CTRL_FLAG_DISABLED))
        return -EINVAL;
    if (cfg->flags & V4L2_CTRL_FLAG_READ_ONLY)
        return -EACCES;
    int64_t v = c->value;
    switch (cfg->type) {
        case V4L2_CTRL_TYPE_INTEGER: {
            // Rounded to the step and clamped to the range, as the driver does.
            const int64_t step = cfg->step > 0 ? cfg->step : 1;
            v = cfg->minimum +
                (v - cfg->minimum + (v >= cfg->minimum ? step / 2 : -step / 2)) / step * step;
            if (v < cfg->minimum)
                v = cfg->minimum;
            if (v > cfg->maximum)
                v = cfg->maximum;
            break;
        }
        case V4L2_CTRL_TYPE_BOOLEAN:
            v = v != 0;
            break;
        case V4L2_CTRL_TYPE_MENU:
        case V4L2_CTRL_TYPE_INTEGER_MENU:
            if (v < cfg->minimum || v > cfg->maximum)
                return -ERANGE;
            break;
        case V4L2_CTRL_TYPE_BITMASK:
            if (static_cast<uint32_t>(v) & ~static_cast<uint32_t>(cfg->maximum))
                return -ERANGE;
            break;
        case V4L2_CTRL_TYPE_BUTTON:
            v = 0;
            break;
        default:
            return -EINVAL;
    }
    controls_[c->id] = static_cast<int32_t>(v);
    c->value = static_cast<int32_t>(v);
    return 0;
}

}  // namespace simcam
