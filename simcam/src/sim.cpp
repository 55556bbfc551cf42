// The process-wide simulation: configured nodes by path, simulated descriptors, mappings and
// the trace.
#include "sim.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "real_libc.h"
#include "seen_lock.h"

namespace simcam {
namespace {

constexpr int kFastFds = 65536;
std::atomic<uint8_t> g_sim_fd[kFastFds];
std::atomic<bool> g_high_sim_fd{false};

std::string ReadFile(const std::string &path) {
    std::ifstream in(path);
    if (!in)
        throw std::invalid_argument("simcam config: cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

std::atomic<int> Sim::mappings_count_{0};

Sim &Sim::Get() {
    // Never destroyed: descriptors may be closed by other libraries' exit handlers.
    static Sim *sim = new Sim();
    return *sim;
}

Sim::Sim() {
    const char *trace = getenv("SIMCAM_TRACE");
    if (trace && *trace) {
        trace_file_ = real::Fopen(trace, "a");
        if (trace_file_)
            setvbuf(trace_file_, nullptr, _IOLBF, 0);
    }
    const char *file = getenv("SIMCAM_CONFIG");
    try {
        Load(ParseConfig(file && *file ? ReadFile(file) : DefaultConfigJson()));
    } catch (const std::exception &e) {
        fprintf(stderr, "%s\n", e.what());
        _exit(70);
    }
}

bool Sim::IsNodePath(const char *path) {
    return path && strncmp(path, "/dev/video", 10) == 0;
}

bool Sim::MaybeSimFd(int fd) {
    if (fd < 0)
        return false;
    if (fd >= kFastFds)
        return g_high_sim_fd.load(std::memory_order_acquire);
    return g_sim_fd[fd].load(std::memory_order_acquire) != 0;
}

void Sim::MarkFd(int fd, bool sim) {
    if (fd >= kFastFds) {
        if (sim)
            g_high_sim_fd.store(true, std::memory_order_release);
        return;
    }
    g_sim_fd[fd].store(sim ? 1 : 0, std::memory_order_release);
}

void Sim::Load(const Config &config) {
    std::map<std::string, std::shared_ptr<Camera>> cameras;
    for (const NodeConfig &node : config.nodes)
        cameras[node.path] = std::make_shared<Camera>(node);
    std::map<std::string, std::shared_ptr<Camera>> old;
    {
        std::lock_guard<std::mutex> lock(mu_);
        config_ = config;
        old.swap(cameras_);
        cameras_ = std::move(cameras);
    }
    old.clear();  // stops their producers, outside the lock
    ClearTrace();
}

std::vector<UsbDevice> Sim::UsbDevices() {
    std::lock_guard<std::mutex> lock(mu_);
    std::vector<UsbDevice> devices;
    for (const NodeConfig &node : config_.nodes) {
        if (!node.identity)
            continue;
        auto same = std::find_if(devices.begin(), devices.end(),
                                 [&](const UsbDevice &d) { return d.bus_info == node.bus_info; });
        if (same == devices.end()) {
            UsbDevice dev;
            dev.bus_info = node.bus_info;
            dev.vendor_id = node.vendor_id;
            dev.product_id = node.product_id;
            dev.bcd_device = node.bcd_device;
            dev.address = static_cast<unsigned>(2 + devices.size());
            dev.h264_unit = node.h264_unit;
            devices.push_back(dev);
            same = devices.end() - 1;
        }
        same->nodes.push_back(node.path);
    }
    return devices;
}

void Sim::Reset() {
    Config config;
    {
        std::lock_guard<std::mutex> lock(mu_);
        config = config_;
    }
    Load(config);
}

std::shared_ptr<Camera> Sim::FindIfAny(const std::string &path) {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = cameras_.find(path);
    return it == cameras_.end() ? nullptr : it->second;
}

std::shared_ptr<Camera> Sim::Find(const std::string &path) {
    std::shared_ptr<Camera> cam = FindIfAny(path);
    if (!cam)
        throw std::invalid_argument("simcam: no simulated node " + path);
    return cam;
}

Sim::File Sim::FileOf(int fd) {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = files_.find(fd);
    if (it == files_.end())
        return File{};
    File file = *it->second;
    file.file.fd = fd;
    return file;
}

bool Sim::IsSimFd(int fd) {
    return MaybeSimFd(fd) && FileOf(fd).camera != nullptr;
}

std::shared_ptr<Camera> Sim::CameraOf(int fd) {
    const SeenLock lock(mu_);
    auto it = files_.find(fd);
    return it == files_.end() ? nullptr : it->second->camera;
}

std::string Sim::PathOf(int fd) {
    const File f = MaybeSimFd(fd) ? FileOf(fd) : File{};
    return f.camera ? f.camera->path() : std::string();
}

int Sim::PresentMinor(const std::string &path) {
    std::shared_ptr<Camera> cam = FindIfAny(path);
    return cam && cam->OpenError() != ENOENT ? cam->config().minor : -1;
}

bool Sim::CardOfMinor(int minor, std::string *card) {
    std::vector<std::shared_ptr<Camera>> cams;
    {
        std::lock_guard<std::mutex> lock(mu_);
        for (auto &c : cameras_)
            cams.push_back(c.second);
    }
    for (auto &c : cams) {
        if (c->config().minor == minor && c->OpenError() != ENOENT) {
            *card = c->config().card;
            return true;
        }
    }
    return false;
}

int Sim::Open(const char *path, int flags) {
    TraceEntry t;
    t.call = Call::kOpen;
    t.path = path;
    t.flags = flags;
    std::shared_ptr<Camera> cam = FindIfAny(path);
    int err = cam ? cam->OpenError() : ENOENT;
    int fd = -1;
    if (err == 0) {
        int efd_flags = 0;
        if (flags & O_CLOEXEC)
            efd_flags |= EFD_CLOEXEC;
        if (flags & O_NONBLOCK)
            efd_flags |= EFD_NONBLOCK;
        fd = eventfd(0, efd_flags);
        if (fd < 0) {
            err = errno;
        } else {
            auto file = std::make_shared<File>();
            file->file.fd = fd;
            file->camera = cam;
            OpenFile opened;
            {
                std::lock_guard<std::mutex> lock(mu_);
                file->file.id = next_file_id_++;
                file->descriptors = 1;
                files_[fd] = file;
                MarkFd(fd, true);
                opened = file->file;
            }
            cam->Opened(opened);
        }
    }
    t.fd = fd;
    t.result = err ? -1 : fd;
    t.error = err;
    if (cam)
        Record(t);
    errno = err;
    return err ? -1 : fd;
}

Sim::File Sim::ForgetLocked(int fd, bool *last) {
    *last = false;
    auto it = files_.find(fd);
    if (it == files_.end())
        return File{};
    std::shared_ptr<File> file = it->second;
    files_.erase(it);
    MarkFd(fd, false);
    *last = --file->descriptors == 0;
    // The node stays open through another copy: what names the open file's descriptor now
    // uses one that is still open.
    if (!*last && file->file.fd == fd)
        for (const auto &f : files_)
            if (f.second == file) {
                file->file.fd = f.first;
                break;
            }
    return *file;
}

void Sim::Forgotten(const File &file, bool last) {
    if (!file.camera)
        return;
    // The node closes with its open file's last descriptor and mapping, as the kernel's release
    // does.
    if (last && file.mappings == 0)
        file.camera->Closed(file.file);
    else if (last)
        return;
    else
        file.camera->Renumbered(file.file);
}

int Sim::Close(int fd) {
    bool last = false;
    File file;
    {
        std::lock_guard<std::mutex> lock(mu_);
        file = ForgetLocked(fd, &last);
    }
    if (!file.camera)
        return real::Close(fd);
    Forgotten(file, last);
    const int r = real::Close(fd);
    const int err = errno;
    if (last) {
        TraceEntry t;
        t.call = Call::kClose;
        t.path = file.camera->path();
        t.fd = fd;
        t.result = r;
        t.error = r < 0 ? err : 0;
        Record(t);
    }
    errno = err;
    return r;
}

void Sim::Replacing(int oldfd, int newfd) {
    if (oldfd == newfd || !MaybeSimFd(newfd))
        return;
    // An invalid oldfd makes the copy fail and leaves newfd open.
    if (!MaybeSimFd(oldfd) && fcntl(oldfd, F_GETFD) < 0)
        return;
    bool last = false;
    File file;
    {
        std::lock_guard<std::mutex> lock(mu_);
        file = ForgetLocked(newfd, &last);
    }
    Forgotten(file, last);
}

int Sim::Duplicated(int oldfd, int newfd) {
    if (newfd < 0 || oldfd == newfd || !MaybeSimFd(oldfd))
        return newfd;
    const int err = errno;
    {
        std::lock_guard<std::mutex> lock(mu_);
        auto it = files_.find(oldfd);
        if (it != files_.end()) {
            ++it->second->descriptors;
            files_[newfd] = it->second;
            MarkFd(newfd, true);
        }
    }
    errno = err;
    return newfd;
}

void Sim::HangUp(const std::string &path) {
    std::lock_guard<std::mutex> lock(mu_);
    for (const auto &entry : files_) {
        if (entry.second->camera->path() != path)
            continue;
        // The write end of a pipe whose reader is gone polls POLLERR; it takes the descriptor's
        // place (same number, same close-on-exec flag). Raw system calls: the descriptor calls
        // this library interposes must not see the swap.
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0)
            continue;
        real::Close(ends[0]);
        const long fd_flags = syscall(SYS_fcntl, entry.first, F_GETFD);
        const int cloexec = fd_flags >= 0 && (fd_flags & FD_CLOEXEC) != 0 ? O_CLOEXEC : 0;
        syscall(SYS_dup3, ends[1], entry.first, cloexec);
        real::Close(ends[1]);
    }
}

int Sim::Ioctl(int fd, unsigned long request, void *arg) {
    const File file = FileOf(fd);
    if (!file.camera)
        return real::Ioctl(fd, request, arg);
    TraceEntry t;
    t.path = file.camera->path();
    t.fd = fd;
    t.request = request;
    const int r = file.camera->Ioctl(file.file, request, arg, &t);
    t.result = r < 0 ? -1 : r;
    t.error = r < 0 ? -r : 0;
    Record(t);
    if (r < 0) {
        errno = -r;
        return -1;
    }
    return r;
}

void *Sim::Mmap(void *addr, size_t length, int prot, int flags, int fd, int64_t offset) {
    const File file = FileOf(fd);
    if (!file.camera)
        return real::Mmap(addr, length, prot, flags, fd, offset);
    TraceEntry t;
    t.call = Call::kMmap;
    t.path = file.camera->path();
    t.fd = fd;
    t.flags = prot;
    t.offset = static_cast<uint64_t>(offset);
    t.length = length;
    uint32_t index = 0;
    int err = 0;
    void *p = file.camera->Mmap(file.file, addr, length, prot, flags, offset, &index, &err);
    t.index = index;
    t.result = p == MAP_FAILED ? -1 : 0;
    t.error = p == MAP_FAILED ? err : 0;
    if (p != MAP_FAILED) {
        std::lock_guard<std::mutex> lock(mu_);
        auto open = files_.find(fd);
        std::shared_ptr<File> holder = open == files_.end() ? nullptr : open->second;
        if (holder)
            ++holder->mappings;
        mappings_[reinterpret_cast<uintptr_t>(p)] =
            Mapping{reinterpret_cast<uintptr_t>(p), length, file.camera, index, fd, holder};
        mappings_count_.fetch_add(1, std::memory_order_release);
    }
    Record(t);
    errno = err;
    return p;
}

bool Sim::Munmap(void *addr, size_t length, int *result) {
    Mapping m;
    File released;  // the file this mapping held open last, once all its descriptors closed
    {
        std::lock_guard<std::mutex> lock(mu_);
        auto it = mappings_.find(reinterpret_cast<uintptr_t>(addr));
        if (it == mappings_.end())
            return false;
        m = it->second;
        mappings_.erase(it);
        mappings_count_.fetch_sub(1, std::memory_order_release);
        if (m.file && --m.file->mappings == 0 && m.file->descriptors == 0)
            released = *m.file;
    }
    *result = real::Munmap(addr, length);
    const int err = errno;
    std::shared_ptr<Camera> cam = m.camera.lock();
    if (cam) {
        cam->Unmapped(m.index);
        if (released.camera)
            released.camera->Closed(released.file);
        TraceEntry t;
        t.call = Call::kMunmap;
        t.path = cam->path();
        t.fd = m.fd;
        t.index = m.index;
        t.length = length;
        t.result = *result;
        t.error = *result < 0 ? err : 0;
        Record(t);
    }
    errno = err;
    return true;
}

void Sim::Record(TraceEntry entry) {
    std::lock_guard<std::mutex> lock(trace_mu_);
    if (trace_file_)
        fprintf(trace_file_, "%s\n", entry.Text().c_str());
    // A long stream must not grow the trace without end: past the limit the oldest half goes.
    constexpr size_t kMaxTrace = 200000;
    if (trace_.size() >= kMaxTrace)
        trace_.erase(trace_.begin(), trace_.begin() + kMaxTrace / 2);
    trace_.push_back(std::move(entry));
}

std::vector<TraceEntry> Sim::Trace() {
    std::lock_guard<std::mutex> lock(trace_mu_);
    return trace_;
}

void Sim::ClearTrace() {
    std::lock_guard<std::mutex> lock(trace_mu_);
    trace_.clear();
}

}  // namespace simcam
