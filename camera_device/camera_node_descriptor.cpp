#include "camera_node_descriptor.h"

#include <errno.h>
#include <string.h>

#include "camera_internal.h"
#include "v4l2/v4l2_device.h"

namespace orv {

NodeDescriptor NodeDescriptor::Open(const char *path) {
    errno = 0;
    const int fd = v4l2_open_video(path);
    const int error = errno;
    return fd < 0 ? NodeDescriptor(-1, false, error) : NodeDescriptor(fd, true, 0);
}

NodeDescriptor NodeDescriptor::Borrow(int fd) {
    return NodeDescriptor(fd, false, 0);
}

NodeDescriptor::NodeDescriptor(NodeDescriptor &&other) noexcept
    : fd_(other.fd_), owned_(other.owned_), error_(other.error_) {
    other.owned_ = false;
}

NodeDescriptor::~NodeDescriptor() {
    if (owned_)
        v4l2_close_video(fd_);
}

void LogNodeOpenFailure(const char *op, const char *path, int error) {
    if (error == EACCES)
        CAM_LOG(ANDROID_LOG_ERROR, op, " cannot access to %s , %s", path, strerror(error));
    else
        CAM_LOG(ANDROID_LOG_DEBUG, op, " cannot open device %s , %s", path, strerror(error));
}

}  // namespace orv
