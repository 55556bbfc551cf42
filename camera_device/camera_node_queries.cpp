// Queries and commands addressed by node path: each opens its own descriptor for the one call
// (also when the node is open in the device table) and closes it before returning.
#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <unistd.h>

#include "camera_discovery.h"
#include "camera_internal.h"
#include "camera_node_descriptor.h"
#include "orv_fd.h"
#include "uvc/uvc_maker_commands.h"
#include "v4l2/v4l2_formats.h"

namespace {

// Opens `path` for `op`, logging a failure. A null path fails without a message.
orv::NodeDescriptor OpenFor(const char *op, const char *path) {
    if (!path)
        return orv::NodeDescriptor::Borrow(-1);
    orv::NodeDescriptor node = orv::NodeDescriptor::Open(path);
    if (node.fd() < 0)
        orv::LogNodeOpenFailure(op, path, node.error());
    return node;
}

// The callers' int capacities go on as sizes: a negative one is no room at all.
int Capacity(int cap) {
    return cap < 0 ? 0 : cap;
}

}  // namespace

extern "C" {

int camera_pixel_format_support(int fd, int *h264_out, int *h265_out) {
    return v4l2_pixel_format_support(fd, h264_out, h265_out);
}

int camera_support_h264(int fd) {
    return v4l2_support_h264(fd);
}

int camera_support_h265(int fd) {
    return v4l2_support_h265(fd);
}

int camera_pixel_format_support_dev(const char *path, int *h264_out, int *h265_out) {
    const orv::NodeDescriptor node = OpenFor("camera_pixel_format_support_dev", path);
    if (node.fd() < 0)
        return -1;
    return v4l2_pixel_format_support(node.fd(), h264_out, h265_out);
}

int camera_get_support_frame_sizes(const char *path, int pixfmt, char *sizes, int sizes_cap,
                                   char *rates, int rates_cap) {
    const orv::NodeDescriptor node = OpenFor("camera_get_support_frame_sizes", path);
    if (node.fd() < 0)
        return -1;
    return v4l2_get_support_frame_sizes(node.fd(), pixfmt, sizes,
                                        static_cast<unsigned int>(Capacity(sizes_cap)), rates,
                                        static_cast<unsigned int>(Capacity(rates_cap)));
}

int camera_get_support_resolutions(const char *path, char *sizes, int sizes_cap, char *rates,
                                   int rates_cap) {
    const orv::NodeDescriptor node = OpenFor("camera_get_support_resolutions", path);
    if (node.fd() < 0)
        return -1;
    return v4l2_get_support_resolutions(node.fd(), sizes, Capacity(sizes_cap), rates,
                                        Capacity(rates_cap));
}

int camera_get_hdmiin_state(const char *path) {
    const orv::NodeDescriptor node = OpenFor("camera_get_hdmiin_state", path);
    if (node.fd() < 0)
        return -1;
    int state = 0;
    if (uvc_get_hdmiin_state(node.fd(), &state) != 0)
        return -1;
    return state;
}

int get_osd_status_by_dev_name(const char *path) {
    static const char *const op = "get_osd_status_by_dev_name";
    CAM_LOG(ANDROID_LOG_INFO, op, " ");
    const orv::NodeDescriptor node = OpenFor(op, path);
    if (node.fd() <= 0)
        return -1;
    const int status = uvc_get_osd_status(node.fd());
    CAM_LOG(ANDROID_LOG_INFO, op, " osd status: %d", status);
    return status;
}

int send_osd_command_by_dev_name(const char *path, int cmd) {
    const orv::NodeDescriptor node = OpenFor("send_osd_command_by_dev_name", path);
    if (node.fd() < 0)
        return -1;
    return uvc_send_osd_cmd(node.fd(), cmd);
}

int send_menu_command_by_dev_name(const char *path, int cmd) {
    static const char *const op = "send_menu_command_by_dev_name";
    if (!path)
        return -1;
    CAM_LOG(ANDROID_LOG_INFO, op, " %s cmd=0x%x", path, cmd);
    // Descriptor 0 is refused as a node too, but never left open.
    const orv::UniqueFd node(open(path, O_RDWR | O_NONBLOCK));
    if (node.get() < 1) {
        const int error = errno;
        CAM_LOG(ANDROID_LOG_ERROR, op, " open error, fd:%d dev:%s, " ORV_ERRNO_FMT, node.get(),
                path, ORV_ERRNO_ARGS(error));
        return -1;
    }
    CAM_LOG(ANDROID_LOG_INFO, op, " open ok, dev:%s fd:%d", path, node.get());
    return uvc_send_osd_cmd(node.get(), cmd);
}

}  // extern "C"
