// The rest of what uvcvideo answers on a node: priority, the one camera input, extended
// controls (over the same controls as G_CTRL/S_CTRL) and menu items. Anything else: ENOTTY.
#include <errno.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "camera.h"

namespace simcam {

bool Camera::BelowTopPriority(const OpenFile &file) const {
    uint32_t top = V4L2_PRIORITY_UNSET;
    for (const auto &p : priorities_)
        top = std::max(top, p.second);
    const auto mine = priorities_.find(file.id);
    return mine != priorities_.end() && mine->second < top;
}

int Camera::Priority(const OpenFile &file, unsigned long request, uint32_t *arg) {
    if (request == VIDIOC_G_PRIORITY) {
        // The highest priority of the node's open descriptors.
        uint32_t top = V4L2_PRIORITY_UNSET;
        for (const auto &p : priorities_)
            top = std::max(top, p.second);
        *arg = top;
        return 0;
    }
    if (BelowTopPriority(file))
        return -EBUSY;
    if (*arg > V4L2_PRIORITY_RECORD)
        return -EINVAL;
    priorities_[file.id] =
        *arg == V4L2_PRIORITY_UNSET ? static_cast<uint32_t>(V4L2_PRIORITY_DEFAULT) : *arg;
    return 0;
}

int Camera::OtherIoctl(unsigned long request, void *arg) {
    if (!arg)
        return -ENOTTY;
    switch (request) {
        case VIDIOC_ENUMINPUT: {
            auto *in = static_cast<struct v4l2_input *>(arg);
            if (in->index != 0)
                return -EINVAL;
            std::memset(in, 0, sizeof *in);
            std::strncpy(reinterpret_cast<char *>(in->name), "Input 1", sizeof in->name - 1);
            in->type = V4L2_INPUT_TYPE_CAMERA;
            return 0;
        }
        case VIDIOC_G_INPUT:
            *static_cast<int *>(arg) = 0;
            return 0;
        case VIDIOC_S_INPUT:
            return *static_cast<int *>(arg) == 0 ? 0 : -EINVAL;
        case VIDIOC_QUERY_EXT_CTRL:
            return QueryExtCtrl(static_cast<struct v4l2_query_ext_ctrl *>(arg));
        case VIDIOC_QUERYMENU:
            return QueryMenu(static_cast<struct v4l2_querymenu *>(arg));
        case VIDIOC_G_EXT_CTRLS:
        case VIDIOC_S_EXT_CTRLS:
        case VIDIOC_TRY_EXT_CTRLS:
            return ExtControls(request, static_cast<struct v4l2_ext_controls *>(arg));
        default:
            return -ENOTTY;
    }
}

int Camera::QueryExtCtrl(struct v4l2_query_ext_ctrl *q) {
    struct v4l2_queryctrl base = {};
    base.id = q->id & ~V4L2_CTRL_FLAG_NEXT_COMPOUND;
    TraceEntry unused;
    if (int r = QueryCtrl(&base, &unused))
        return r;
    std::memset(q, 0, sizeof *q);
    q->id = base.id;
    q->type = base.type;
    std::memcpy(q->name, base.name, sizeof q->name);
    q->minimum = base.minimum;
    q->maximum = base.maximum;
    q->step = static_cast<uint64_t>(base.step);
    q->default_value = base.default_value;
    q->flags = base.flags;
    q->elem_size = sizeof(int32_t);
    q->elems = 1;
    return 0;
}

int Camera::QueryMenu(struct v4l2_querymenu *m) {
    const ControlConfig *c = FindControl(m->id);
    if (!c || (c->type != V4L2_CTRL_TYPE_MENU && c->type != V4L2_CTRL_TYPE_INTEGER_MENU))
        return -EINVAL;
    const int64_t i = m->index;
    if (i < c->minimum || i > c->maximum)
        return -EINVAL;
    const uint32_t id = m->id, index = m->index;
    std::memset(m, 0, sizeof *m);
    m->id = id;
    m->index = index;
    if (c->type == V4L2_CTRL_TYPE_INTEGER_MENU)
        m->value = i;
    else
        std::snprintf(reinterpret_cast<char *>(m->name), sizeof m->name, "Item %u", index);
    return 0;
}

int Camera::ExtControls(unsigned long request, struct v4l2_ext_controls *c) {
    if (c->which == V4L2_CTRL_WHICH_REQUEST_VAL)
        return -EINVAL;  // the node takes no media requests
    if (c->count == 0)
        return 0;
    if (!c->controls)
        return -EFAULT;
    // S_EXT_CTRLS is all or nothing: a refused control undoes the ones before it. A refused set
    // or get reports error_idx = count, as a failed validation; TRY names the failing control.
    // Default values can be read, never set or tried.
    if (request != VIDIOC_G_EXT_CTRLS && c->which == V4L2_CTRL_WHICH_DEF_VAL) {
        c->error_idx = c->count;
        return -EINVAL;
    }
    // Controls asked for as one class must all be of that class.
    if (c->which != V4L2_CTRL_WHICH_CUR_VAL && c->which != V4L2_CTRL_WHICH_DEF_VAL) {
        for (uint32_t i = 0; i < c->count; ++i) {
            if (V4L2_CTRL_ID2WHICH(c->controls[i].id) != c->which) {
                c->error_idx = request == VIDIOC_TRY_EXT_CTRLS ? i : c->count;
                return -EINVAL;
            }
        }
    }
    const auto saved = controls_;
    for (uint32_t i = 0; i < c->count; ++i) {
        struct v4l2_ext_control &x = c->controls[i];
        struct v4l2_control one = {x.id, x.value};
        TraceEntry unused;
        int r;
        if (request == VIDIOC_G_EXT_CTRLS && c->which == V4L2_CTRL_WHICH_DEF_VAL) {
            const ControlConfig *cfg = FindControl(x.id);
            r = cfg ? 0 : -EINVAL;
            if (cfg)
                one.value = cfg->default_value;
        } else if (request == VIDIOC_G_EXT_CTRLS) {
            r = GetCtrl(&one, &unused);
        } else {
            r = SetCtrl(&one, &unused);
        }
        if (r < 0) {
            controls_ = saved;
            c->error_idx = request == VIDIOC_TRY_EXT_CTRLS ? i : c->count;
            return r;
        }
        x.value = one.value;
    }
    if (request == VIDIOC_TRY_EXT_CTRLS)
        controls_ = saved;  // the values as they would be set, nothing stored
    return 0;
}

}  // namespace simcam
