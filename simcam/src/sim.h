// The simulation: the configured nodes, the descriptors open on them, and the trace.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "camera.h"
#include "config.h"
#include "simcam/simcam.h"

namespace simcam {

class Sim {
  public:
    // The process's simulation; loads $SIMCAM_CONFIG or the default configuration the first
    // time.
    static Sim &Get();

    // Cheap checks for the interposed functions' fast path.
    static bool IsNodePath(const char *path);
    static bool MaybeSimFd(int fd);
    static bool AnyMapping() { return mappings_count_.load(std::memory_order_acquire) > 0; }

    // The interposed calls, for a path or descriptor that is a simulated node. Each returns as
    // the C library does: -1 (MAP_FAILED) with errno set on failure.
    int Open(const char *path, int flags);
    int Close(int fd);
    // A copy of a descriptor made by dup, dup2, dup3 or fcntl(F_DUPFD[_CLOEXEC]): `newfd` is
    // what the C library returned (or -1 when it failed). When `oldfd` is a simulated node the
    // copy shares its open file, as the kernel's copies do; a simulated `newfd` that the copy
    // replaced (dup2, dup3) is released first. Returns `newfd`, with errno kept.
    int Duplicated(int oldfd, int newfd);
    // Before dup2/dup3 onto `newfd`: forgets the simulated open file that the copy replaces
    // (the C library closes it silently), closing the node when it was its last descriptor.
    void Replacing(int oldfd, int newfd);
    int Ioctl(int fd, unsigned long request, void *arg);
    void *Mmap(void *addr, size_t length, int prot, int flags, int fd, int64_t offset);
    // munmap of a simulated buffer mapping: true when it was one (then *result is set).
    bool Munmap(void *addr, size_t length, int *result);
    bool IsSimFd(int fd);
    // The camera behind a simulated descriptor, or null (for poll, which asks the camera
    // itself what its queue answers).
    std::shared_ptr<Camera> CameraOf(int fd);
    // After an unplug: every descriptor open on the node polls POLLERR from now on (and poll,
    // which this library answers, adds POLLHUP), while it
    // keeps its number and stays the node's for the calls above (which fail with ENODEV).
    void HangUp(const std::string &path);
    // The node's path for a descriptor, or "" when it is none.
    std::string PathOf(int fd);
    // The minor number (N of /dev/videoN) of a node that is present, or -1.
    int PresentMinor(const std::string &path);
    // The card name of a present node with this minor number; false when there is none.
    bool CardOfMinor(int minor, std::string *card);

    void Load(const Config &config);
    std::vector<UsbDevice> UsbDevices();
    void Reset();
    std::shared_ptr<Camera> Find(const std::string &path);  // throws std::invalid_argument
    std::shared_ptr<Camera> FindIfAny(const std::string &path);

    void Record(TraceEntry entry);
    std::vector<TraceEntry> Trace();
    void ClearTrace();

  private:
    Sim();
    struct File {
        OpenFile file;
        std::shared_ptr<Camera> camera;
        int descriptors = 0;  // copies open on this file (dup and friends)
        int mappings = 0;     // buffers mapped through it: they hold it open, as the kernel's do
    };
    struct Mapping {
        uintptr_t addr;
        size_t length;
        std::weak_ptr<Camera> camera;
        uint32_t index;
        int fd;
        std::shared_ptr<File> file;  // null when its descriptor closed while it was being made
    };
    // The open file behind fd (its camera null when fd is none), copied under mu_ and naming fd
    // itself: the caller's own descriptor stays open for its call, while the copy that names
    // the file may be closed and the file renumbered meanwhile.
    File FileOf(int fd);
    // Removes fd from the table (mu_ held); returns its file as it stands afterwards, its camera
    // null when fd is none. *last tells whether fd was the file's last descriptor.
    File ForgetLocked(int fd, bool *last);
    // After ForgetLocked, outside mu_: closes the node with the file's last descriptor (unless
    // a mapping still holds the file: its munmap closes it), or tells the camera which copy now
    // stands for the file.
    static void Forgotten(const File &file, bool last);
    static void MarkFd(int fd, bool sim);

    std::mutex mu_;
    Config config_;
    std::map<std::string, std::shared_ptr<Camera>> cameras_;
    std::map<int, std::shared_ptr<File>> files_;
    std::map<uintptr_t, Mapping> mappings_;
    uint64_t next_file_id_ = 1;

    std::mutex trace_mu_;
    std::vector<TraceEntry> trace_;
    FILE *trace_file_ = nullptr;

    static std::atomic<int> mappings_count_;
};

}  // namespace simcam
