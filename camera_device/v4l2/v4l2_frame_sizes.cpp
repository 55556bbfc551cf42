// The frame sizes and frame rates a node offers, as comma-separated texts.
#include <sys/ioctl.h>

#include <cerrno>
#include <cstdio>

#include "orv_log.h"
#include "v4l2/v4l2_format_log.h"
#include "v4l2/v4l2_formats.h"
#include "v4l2/v4l2_text_list.h"

using orv::v4l2::TextList;

namespace {

#define V4L2_DEBUG(...) ORV_LOG(ANDROID_LOG_DEBUG, ORV_TAG_V4L2, __VA_ARGS__)

void log_size_range(const struct v4l2_frmsizeenum &size) {
    const struct v4l2_frmsize_stepwise &s = size.stepwise;
    if (size.type == V4L2_FRMSIZE_TYPE_CONTINUOUS) {
        V4L2_DEBUG(
            "{ continuous: min { width = %u, height = %u } .. "
            "max { width = %u, height = %u } }\n",
            s.min_width, s.min_height, s.max_width, s.max_height);
    } else {
        V4L2_DEBUG(
            "{ stepwise: min { width = %u, height = %u } .. "
            "max { width = %u, height = %u } / "
            "stepsize { width = %u, height = %u } }\n",
            s.min_width, s.min_height, s.max_width, s.max_height, s.step_width, s.step_height);
    }
    V4L2_DEBUG("  Refusing to enumerate frame intervals.\n");
}

void log_interval_range(const struct v4l2_frmivalenum &ival) {
    const struct v4l2_frmival_stepwise &s = ival.stepwise;
    if (ival.type == V4L2_FRMIVAL_TYPE_CONTINUOUS) {
        V4L2_DEBUG("{min { %u/%u } .. max { %u/%u } }, ", s.min.numerator, s.min.denominator,
                   s.max.numerator, s.max.denominator);
    } else {
        V4L2_DEBUG("{min { %u/%u } .. max { %u/%u } / stepsize { %u/%u } }, ", s.min.numerator,
                   s.min.denominator, s.max.numerator, s.max.denominator, s.step.numerator,
                   s.step.denominator);
    }
}

size_t capacity_of(int capacity) {
    return capacity > 0 ? static_cast<size_t>(capacity) : 0;
}

}  // namespace

extern "C" int v4l2_get_support_resolutions(int fd, char *sizes, int sizes_cap, char *rates,
                                            int rates_cap) {
    struct v4l2_fmtdesc desc = {};
    desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (ioctl(fd, VIDIOC_ENUM_FMT, &desc) != 0)
        return 0;
    do {
        ++desc.index;
        orv::v4l2::log_supported_format(__func__, fd, static_cast<int>(desc.index), desc);
        v4l2_get_support_frame_sizes(fd, static_cast<int>(desc.pixelformat), sizes,
                                     static_cast<unsigned int>(capacity_of(sizes_cap)), rates,
                                     static_cast<unsigned int>(capacity_of(rates_cap)));
    } while (ioctl(fd, VIDIOC_ENUM_FMT, &desc) == 0);
    return 0;
}

extern "C" int v4l2_get_support_frame_sizes(int fd, int pixfmt, char *sizes, unsigned int sizes_cap,
                                            char *rates, unsigned int rates_cap) {
    struct v4l2_frmsizeenum size = {};
    size.pixel_format = static_cast<__u32>(pixfmt);
    TextList list(sizes, sizes_cap);
    int err = EINVAL;
    for (;;) {
        if (ioctl(fd, VIDIOC_ENUM_FRAMESIZES, &size) != 0) {
            err = errno;
            break;
        }
        if (size.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
            V4L2_DEBUG("{ discrete: width = %u, height = %u }\n", size.discrete.width,
                       size.discrete.height);
            char entry[24];
            std::snprintf(entry, sizeof entry, "%dx%d", static_cast<int>(size.discrete.width),
                          static_cast<int>(size.discrete.height));
            if (!list.append(entry)) {
                ORV_LOG(ANDROID_LOG_WARN, ORV_TAG_V4L2, "too many pixelsize , break ");
                break;  // the full text ends the list like its normal end
            }
        } else if (size.type == V4L2_FRMSIZE_TYPE_CONTINUOUS ||
                   size.type == V4L2_FRMSIZE_TYPE_STEPWISE) {
            log_size_range(size);
            return 0;
        }
        ++size.index;
    }
    if (err != EINVAL) {
        V4L2_DEBUG("ERROR enumerating frame sizes: %d\n", err);
        return err;
    }
    // The rates of the last size the driver reported (0 x 0 when it reported none).
    v4l2_get_support_frame_intervals(fd, pixfmt, static_cast<int>(size.discrete.width),
                                     static_cast<int>(size.discrete.height), rates, rates_cap);
    return 0;
}

extern "C" int v4l2_get_support_frame_intervals(int fd, int pixfmt, int width, int height,
                                                char *rates, unsigned int rates_cap) {
    struct v4l2_frmivalenum ival = {};
    ival.pixel_format = static_cast<__u32>(pixfmt);
    ival.width = static_cast<__u32>(width);
    ival.height = static_cast<__u32>(height);
    V4L2_DEBUG("\tTime interval between frame: ");
    TextList list(rates, rates_cap);
    bool stopped = false;
    int err = 0;
    while (!stopped) {
        if (ioctl(fd, VIDIOC_ENUM_FRAMEINTERVALS, &ival) != 0) {
            err = errno;
            break;
        }
        if (ival.type == V4L2_FRMIVAL_TYPE_DISCRETE) {
            const struct v4l2_fract &f = ival.discrete;
            V4L2_DEBUG("%u/%u, ", f.numerator, f.denominator);
            // An interval of numerator 0 has no frame rate; it is left out of the list.
            if (f.numerator != 0) {
                char entry[16];
                std::snprintf(entry, sizeof entry, "%u", f.denominator / f.numerator);
                if (!list.append(entry)) {
                    ORV_LOG(ANDROID_LOG_WARN, ORV_TAG_V4L2, "too many framerate , break ");
                    stopped = true;
                }
            }
        } else if (ival.type == V4L2_FRMIVAL_TYPE_CONTINUOUS ||
                   ival.type == V4L2_FRMIVAL_TYPE_STEPWISE) {
            log_interval_range(ival);
            stopped = true;
        }
        ++ival.index;
    }
    V4L2_DEBUG("\n");
    if (stopped || err == EINVAL)
        return 0;
    V4L2_DEBUG("ERROR enumerating frame intervals: %d\n", err);
    return err;
}
