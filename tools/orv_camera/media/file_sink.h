// The descriptor a writer writes to: it owns it, writes each buffer whole (retrying short
// writes and EINTR) and counts the bytes the file accepted.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

namespace orvcli {

class FileSink {
  public:
    FileSink(int fd, const std::string &name) : fd_(fd), name_(name) {}
    ~FileSink();
    FileSink(const FileSink &) = delete;
    FileSink &operator=(const FileSink &) = delete;

    // False with *why set ("cannot write NAME: cause") when the file took less than `size`.
    bool Write(const void *data, size_t size, std::string *why);
    // Closes the descriptor; false with *why set when the close reports a lost write.
    bool Close(std::string *why);

    int fd() const { return fd_; }
    const std::string &name() const { return name_; }
    int64_t accepted() const { return accepted_; }
    // The errno of the write that failed last (0 while none did).
    int error() const { return error_; }

  private:
    int fd_;
    std::string name_;
    int64_t accepted_ = 0;
    int error_ = 0;
};

// "cannot write NAME: cause" for `err`; a reader that closed its pipe is said in plain words.
std::string WriteError(const std::string &name, int err);

}  // namespace orvcli
