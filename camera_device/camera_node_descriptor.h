// A video node descriptor held for one call: opened for the call and closed when it ends, or
// borrowed from the device table and left open.
#pragma once

namespace orv {

class NodeDescriptor {
  public:
    // Opens `path` with v4l2_open_video. On failure fd() is -1 and error() holds open's errno.
    static NodeDescriptor Open(const char *path);
    // A descriptor owned by someone else (the device table); never closed here.
    static NodeDescriptor Borrow(int fd);

    NodeDescriptor(NodeDescriptor &&other) noexcept;
    NodeDescriptor &operator=(NodeDescriptor &&) = delete;
    NodeDescriptor(const NodeDescriptor &) = delete;
    NodeDescriptor &operator=(const NodeDescriptor &) = delete;
    ~NodeDescriptor();

    int fd() const { return fd_; }
    int error() const { return error_; }

  private:
    NodeDescriptor(int fd, bool owned, int error) : fd_(fd), owned_(owned), error_(error) {}

    int fd_;
    bool owned_;
    int error_;
};

// Logs why `path` could not be opened for the manager's operation `op`: ERROR "cannot access
// to" for EACCES, DEBUG "cannot open device" for any other errno.
void LogNodeOpenFailure(const char *op, const char *path, int error);

}  // namespace orv
