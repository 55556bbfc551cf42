#include "output_file.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace orvcli {
namespace {

std::string Cause(const std::string &what, const std::string &path, int err) {
    return "cannot " + what + " " + path + ": " + std::strerror(err);
}

// Regular files and names not yet taken get a temporary file; the rest is written in place.
bool WrittenInPlace(const struct stat &st) {
    return S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode) || S_ISSOCK(st.st_mode);
}

}  // namespace

OutputFile::~OutputFile() {
    if (fd_ >= 0 && fd_ != STDOUT_FILENO)
        close(fd_);
    if (!temp_.empty() && !kept_)
        unlink(temp_.c_str());
}

std::string OutputFile::Open(const std::string &path) {
    if (path == "-") {
        name_ = "standard output";
        fd_ = STDOUT_FILENO;
        return "";
    }
    name_ = final_ = path;
    struct stat st {};
    const bool exists = stat(path.c_str(), &st) == 0;
    if (!exists && errno != ENOENT)
        return Cause("write", path, errno);
    if (exists && S_ISDIR(st.st_mode))
        return Cause("write", path, EISDIR);
    if (exists && WrittenInPlace(st)) {
        fd_ = open(path.c_str(), O_WRONLY | O_CLOEXEC);
        return fd_ < 0 ? Cause("write", path, errno) : "";
    }
    if (exists && access(path.c_str(), W_OK) != 0)
        return Cause("write", path, errno);
    // A link names the file to replace; a link to nothing is left alone.
    struct stat link {};
    if (lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        char target[PATH_MAX];
        if (!realpath(path.c_str(), target))
            return Cause("write", path, errno);
        final_ = target;
    }
    const size_t slash = final_.rfind('/');
    const std::string dir = slash == std::string::npos ? "" : final_.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? final_ : final_.substr(slash + 1);
    std::string pattern = dir + "." + base + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fd_ = mkostemp(name.data(), O_CLOEXEC);
    if (fd_ < 0)
        return Cause("create", path, errno);
    temp_ = name.data();
    // The permissions a new file gets (mkostemp gives 0600).
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd_, 0666 & ~mask);
    return "";
}

int OutputFile::Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

std::string OutputFile::Keep() {
    if (temp_.empty() || kept_)
        return "";
    kept_ = true;  // from here on what was written stays, under one name or the other
    if (rename(temp_.c_str(), final_.c_str()) != 0)
        return Cause("rename " + temp_ + " to", final_, errno) + "; the capture is in " + temp_;
    return "";
}

}  // namespace orvcli
