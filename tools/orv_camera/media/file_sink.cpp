#include "file_sink.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orvcli {

std::string WriteError(const std::string &name, int err) {
    if (err == EPIPE)
        return "the reader of " + name + " closed it; the capture stops";
    return "cannot write " + name + ": " + std::strerror(err);
}

FileSink::~FileSink() {
    std::string ignored;
    Close(&ignored);
}

bool FileSink::Write(const void *data, size_t size, std::string *why) {
    const char *p = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t n = write(fd_, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error_ = n < 0 ? errno : ENOSPC;
            *why = WriteError(name_, error_);
            return false;
        }
        accepted_ += n;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool FileSink::Close(std::string *why) {
    if (fd_ < 0)
        return true;
    // Standard output stays open for the summary's sake when it is the same stream.
    const int r = fd_ == STDOUT_FILENO ? 0 : close(fd_);
    fd_ = -1;
    if (r != 0 && errno != EINTR) {
        *why = WriteError(name_, errno);
        return false;
    }
    return true;
}

}  // namespace orvcli
