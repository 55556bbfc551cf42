// Where a capture writes. Standard output, a FIFO, a device or a socket are written directly.
// Any other name is written under a temporary name in the same folder, created exclusively, and
// renamed over the name only when the capture kept something: a capture that fails leaves an
// existing file as it was and creates none, and the tool removes only the file it created. A
// symbolic link is followed to the file it names, which is the one replaced.
#pragma once

#include <string>

namespace orvcli {

class OutputFile {
  public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    // "" when `path` ("-": standard output) can be written, else why not.
    std::string Open(const std::string &path);
    // The descriptor to write to; the caller owns it from now on.
    int Release();
    // Puts what was written in place under the name asked; "" or why not.
    std::string Keep();
    // The output as messages name it.
    const std::string &name() const { return name_; }

  private:
    std::string name_;
    std::string final_;  // the file the temporary one replaces
    std::string temp_;   // "" when written directly
    int fd_ = -1;
    bool kept_ = false;
};

}  // namespace orvcli
