#include "gadget_link.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/usb/gadgetfs.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "encoder.h"
#include "payload.h"

namespace simcam_gadget {
namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kEp0Buffer = 256;

std::runtime_error SystemError(const std::string &what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

// The controller's ep0 file: the one entry of a fresh gadgetfs that is no endpoint.
std::string FindChip(const std::string &dir) {
    DIR *d = opendir(dir.c_str());
    if (!d)
        throw SystemError("cannot read " + dir + " (is gadgetfs mounted there?)");
    std::string chip;
    while (struct dirent *e = readdir(d)) {
        const std::string name = e->d_name;
        if (name != "." && name != ".." && name.compare(0, 2, "ep") != 0)
            chip = name;
    }
    closedir(d);
    if (chip.empty())
        throw std::runtime_error("no device controller in " + dir);
    return chip;
}

// The configuration descriptor that follows the 18-byte device descriptor.
std::vector<uint8_t> ConfigurationOf(const orvtest::SimUsbDevice &dev, orvtest::SimUsbLayout layout,
                                     uint16_t max_packet) {
    layout.bulk_max_packet = max_packet;
    std::vector<uint8_t> all = orvtest::UsbDescriptors(dev, layout);
    return std::vector<uint8_t>(all.begin() + 18, all.end());
}

std::vector<uint8_t> StringDescriptor(const std::string &text) {
    std::vector<uint8_t> d = {static_cast<uint8_t>(2 + 2 * text.size()), USB_DT_STRING};
    for (char c : text) {
        d.push_back(static_cast<uint8_t>(c));
        d.push_back(0);
    }
    return d;
}

// A bulk IN endpoint descriptor for full speed (64) and for high speed (512).
void AppendEndpoint(std::vector<uint8_t> *out, uint16_t max_packet) {
    const uint8_t d[] = {7,
                         USB_DT_ENDPOINT,
                         0x81,
                         USB_ENDPOINT_XFER_BULK,
                         static_cast<uint8_t>(max_packet),
                         static_cast<uint8_t>(max_packet >> 8),
                         0};
    out->insert(out->end(), d, d + sizeof d);
}

void Note(bool verbose, const char *format, ...) __attribute__((format(printf, 2, 3)));
void Note(bool verbose, const char *format, ...) {
    if (!verbose)
        return;
    va_list ap;
    va_start(ap, format);
    std::fputs("simcam-gadget: ", stderr);
    std::vfprintf(stderr, format, ap);
    std::fputc('\n', stderr);
    va_end(ap);
}

}  // namespace

GadgetLink::GadgetLink(UvcFunction *function, const simcam::NodeConfig &node, LinkOptions options)
    : function_(function), options_(std::move(options)) {
    if (!node.card.empty())
        options_.strings[1] = node.card;
}

GadgetLink::~GadgetLink() {
    {
        std::lock_guard<std::mutex> lock(mu_);
        quit_ = true;
        configured_ = false;
        ++configuration_;
    }
    cv_.notify_all();
    if (streamer_.joinable()) {
        // The streamer may sit in a write the host never takes.
        while (!streamer_done_) {
            InterruptStreamer();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        streamer_.join();
    }
    if (ep0_ >= 0)
        close(ep0_);
}

void GadgetLink::Bind() {
    if (chip_.empty())
        chip_ = options_.chip.empty() ? FindChip(options_.gadgetfs) : options_.chip;
    const std::string path = options_.gadgetfs + "/" + chip_;
    ep0_ = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (ep0_ < 0)
        throw SystemError("cannot open " + path);
    // Tag 0, the full-speed and the high-speed configuration, then the device descriptor.
    std::vector<uint8_t> all = orvtest::UsbDescriptors(function_->device(), function_->layout());
    std::vector<uint8_t> message(4, 0);
    for (uint16_t packet : {64, 512}) {
        const std::vector<uint8_t> config =
            ConfigurationOf(function_->device(), function_->layout(), packet);
        // gadgetfs cuts every ep0 answer at its 256-byte buffer, and the host then waits in
        // vain for the rest.
        if (config.size() > kEp0Buffer)
            throw std::runtime_error("the configuration descriptor takes " +
                                     std::to_string(config.size()) + " bytes, gadgetfs serves " +
                                     std::to_string(kEp0Buffer) +
                                     ": offer fewer frame sizes or intervals");
        message.insert(message.end(), config.begin(), config.end());
    }
    message.insert(message.end(), all.begin(), all.begin() + 18);
    if (write(ep0_, message.data(), message.size()) != static_cast<ssize_t>(message.size())) {
        const std::runtime_error e = SystemError("the controller refused the descriptors");
        close(ep0_);
        ep0_ = -1;
        throw e;
    }
    if (!streamer_.joinable())
        streamer_ = std::thread([this] { StreamLoop(); });
    Note(options_.verbose, "bound to %s", chip_.c_str());
}

void GadgetLink::Unbind() {
    if (ep0_ < 0)
        return;
    Unconfigure();
    {
        // The streamer lets go of the endpoint first: ep0 can only be opened again once every
        // file of the device is closed.
        std::unique_lock<std::mutex> lock(mu_);
        cv_.wait_for(lock, std::chrono::seconds(2),
                     [&] { return endpoint_synced_ >= configuration_; });
    }
    close(ep0_);
    ep0_ = -1;
    Note(options_.verbose, "unbound");
}

bool GadgetLink::SetConnected(bool connected) {
    try {
        if (connected && ep0_ < 0)
            Bind();
        else if (!connected)
            Unbind();
        return true;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "simcam-gadget: %s\n", e.what());
        return false;
    }
}

void GadgetLink::Serve(const std::atomic<bool> &stop, int wake,
                       const std::function<void()> &between) {
    // gadgetfs takes a request's data stage before the gadget reads it, so the host may send
    // its next request first; the data is then lost (EIDRM) and ep0's state confused. Reading
    // at once, ahead of every ordinary process, closes that window. The streamer, started
    // before, keeps the ordinary policy.
    const struct sched_param fifo = {10};
    if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &fifo) != 0)
        Note(options_.verbose, "no real-time priority for ep0");
    while (!stop) {
        // poll() passes over the descriptors below 0: no controller while unplugged.
        struct pollfd fds[2] = {{ep0_, POLLIN, 0}, {wake, POLLIN, 0}};
        const int n = poll(fds, 2, 50);
        RepeatInterrupt();
        if (n < 0 && errno != EINTR)
            throw SystemError("poll");
        between();
        if (n <= 0 || ep0_ < 0 || !(fds[0].revents & (POLLIN | POLLHUP)))
            continue;
        struct usb_gadgetfs_event events[5];
        const ssize_t got = read(ep0_, events, sizeof events);
        if (got < 0) {
            // A request the host gave up on (answered too late, or cut short by the next one)
            // leaves ep0 in a state the next read reports; the controller goes on.
            if (errno != EINTR && errno != EAGAIN) {
                Note(options_.verbose, "reading ep0: %s", std::strerror(errno));
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            continue;
        }
        for (size_t i = 0; i < static_cast<size_t>(got) / sizeof events[0]; ++i) {
            switch (events[i].type) {
                case GADGETFS_CONNECT:
                    speed_ = events[i].u.speed;
                    Note(options_.verbose, "connected, speed %d", speed_.load());
                    break;
                case GADGETFS_SETUP:
                    HandleSetup(events[i].u.setup);
                    break;
                case GADGETFS_DISCONNECT:
                    Note(options_.verbose, "disconnected");
                    Unconfigure();
                    break;
                default:
                    break;
            }
        }
    }
}

void GadgetLink::HandleSetup(const struct usb_ctrlrequest &ctrl) {
    const bool in = ctrl.bRequestType & USB_DIR_IN;
    if ((ctrl.bRequestType & USB_TYPE_MASK) == USB_TYPE_STANDARD) {
        Standard(ctrl);
        return;
    }
    const Setup setup{ctrl.bRequestType, ctrl.bRequest, ctrl.wValue, ctrl.wIndex, ctrl.wLength};
    std::vector<uint8_t> out(setup.length), answer;
    if (!in && setup.length) {
        // gadgetfs has taken the data stage already; it acknowledges it itself.
        const ssize_t r = read(ep0_, out.data(), out.size());
        if (r < 0) {
            Note(options_.verbose, "request data lost: %s", std::strerror(errno));
            return;
        }
        out.resize(static_cast<size_t>(r));
        out.resize(setup.length, 0);
    }
    if ((ctrl.bRequestType & USB_TYPE_MASK) != USB_TYPE_CLASS ||
        (ctrl.bRequestType & USB_RECIP_MASK) != USB_RECIP_INTERFACE) {
        Stall(in);
        return;
    }
    const Reply reply = function_->Request(setup, out.data(), &answer);
    Note(options_.verbose, "class %02x req %02x value %04x index %04x len %u: %s",
         setup.request_type, setup.request, setup.value, setup.index, setup.length,
         reply == Reply::kStall ? "stall" : "ok");
    if (!in && setup.length) {
        if (reply == Reply::kStall)
            Note(options_.verbose, "a request with data cannot be stalled on gadgetfs");
    } else {
        Answer(ctrl, reply, answer);
    }
    const uint64_t commits = function_->commits();
    if (commits != commits_seen_) {
        commits_seen_ = commits;
        InterruptStreamer();
    }
}

void GadgetLink::Standard(const struct usb_ctrlrequest &ctrl) {
    const bool in = ctrl.bRequestType & USB_DIR_IN;
    switch (ctrl.bRequest) {
        case USB_REQ_SET_CONFIGURATION:
            if (ctrl.wValue)
                Configure();
            else
                Unconfigure();
            Ack();
            return;
        case USB_REQ_SET_INTERFACE:  // one alternate setting each
            Ack();
            return;
        case USB_REQ_GET_INTERFACE:
            Answer(ctrl, Reply::kData, {0});
            return;
        case USB_REQ_GET_DESCRIPTOR:
            if ((ctrl.wValue >> 8) == USB_DT_STRING) {
                const unsigned index = ctrl.wValue & 0xff;
                if (index == 0)
                    Answer(ctrl, Reply::kData, {4, USB_DT_STRING, 0x09, 0x04});
                else if (index <= 2)
                    Answer(ctrl, Reply::kData, StringDescriptor(options_.strings[index - 1]));
                else
                    Stall(true);
                return;
            }
            break;
        default:
            break;
    }
    Note(options_.verbose, "standard %02x req %02x value %04x: stall", ctrl.bRequestType,
         ctrl.bRequest, ctrl.wValue);
    Stall(in);
}

void GadgetLink::Answer(const struct usb_ctrlrequest &ctrl, Reply reply,
                        const std::vector<uint8_t> &in) {
    const bool is_in = ctrl.bRequestType & USB_DIR_IN;
    if (reply == Reply::kStall) {
        Stall(is_in);
    } else if (is_in) {
        const size_t n = std::min<size_t>(in.size(), ctrl.wLength);
        if (write(ep0_, in.data(), n) < 0)
            Note(options_.verbose, "answer lost: %s", std::strerror(errno));
    } else {
        Ack();
    }
}

void GadgetLink::Ack() {
    if (read(ep0_, nullptr, 0) < 0)
        Note(options_.verbose, "status stage lost: %s", std::strerror(errno));
}

void GadgetLink::Stall(bool in) {
    // A transfer in the wrong direction is gadgetfs's way to stall ep0.
    uint8_t byte = 0;
    const ssize_t r = in ? read(ep0_, &byte, 0) : write(ep0_, &byte, 0);
    (void)r;
}

void GadgetLink::Configure() {
    std::unique_lock<std::mutex> lock(mu_);
    configured_ = true;
    const uint64_t wanted = ++configuration_;
    lock.unlock();
    InterruptStreamer();
    cv_.notify_all();
    lock.lock();
    // The endpoint must be up before the host's first streaming request.
    cv_.wait_for(lock, std::chrono::seconds(2), [&] { return endpoint_synced_ >= wanted; });
}

void GadgetLink::Unconfigure() {
    {
        std::lock_guard<std::mutex> lock(mu_);
        configured_ = false;
        ++configuration_;
    }
    InterruptStreamer();
    cv_.notify_all();
}

void GadgetLink::InterruptStreamer() {
    ++interrupts_;
    cv_.notify_all();
    if (streamer_.joinable())
        pthread_kill(streamer_.native_handle(), SIGUSR1);
}

void GadgetLink::RepeatInterrupt() {
    if (interrupts_seen_ != interrupts_ && streamer_.joinable())
        pthread_kill(streamer_.native_handle(), SIGUSR1);
}

int GadgetLink::SyncEndpoint(int fd, uint64_t *config) {
    std::unique_lock<std::mutex> lock(mu_);
    if (*config == configuration_)
        return fd;
    if (fd >= 0)
        close(fd);
    fd = -1;
    *config = configuration_;
    if (configured_) {
        const std::string path = options_.gadgetfs + "/" + options_.endpoint;
        fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
        std::vector<uint8_t> message = {1, 0, 0, 0};
        AppendEndpoint(&message, 64);
        AppendEndpoint(&message, 512);
        if (fd < 0 || write(fd, message.data(), message.size()) < 0) {
            std::fprintf(stderr, "simcam-gadget: cannot enable %s: %s\n", path.c_str(),
                         std::strerror(errno));
            if (fd >= 0)
                close(fd);
            fd = -1;
        }
    }
    endpoint_synced_ = *config;
    cv_.notify_all();
    return fd;
}

bool GadgetLink::SendFrame(int fd, const std::vector<uint8_t> &frame, const StreamState &state,
                           bool fid, uint32_t pts) {
    PayloadOptions o;
    o.fid = fid;
    o.pts = pts;
    o.max_payload = state.max_payload;
    o.max_packet = speed_ == USB_SPEED_FULL ? 64 : 512;
    int corrupt = corrupt_frames_.load();
    while (corrupt > 0 && !corrupt_frames_.compare_exchange_weak(corrupt, corrupt - 1)) {
    }
    o.error = corrupt > 0;
    for (const std::vector<uint8_t> &p : Payloads(frame.data(), frame.size(), o)) {
        if (interrupts_seen_ != interrupts_)
            return false;
        if (write(fd, p.data(), p.size()) != static_cast<ssize_t>(p.size()))
            return false;
    }
    return true;
}

void GadgetLink::StreamLoop() {
    // Encoding yields to ep0: a control request answered late is one the host gave up on.
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
    simcam::Encoder encoder;
    int fd = -1;
    uint64_t config = 0, commits = 0;
    bool fid = false, restart = true;
    Clock::time_point next = Clock::now();
    const Clock::time_point epoch = next;
    std::vector<uint8_t> frame;
    for (;;) {
        interrupts_seen_ = interrupts_.load();
        fd = SyncEndpoint(fd, &config);
        StreamState state = function_->TakeStreamState();
        {
            std::unique_lock<std::mutex> lock(mu_);
            if (quit_)
                break;
            if (fd < 0 || state.commits == 0 || state.max_payload == 0) {
                // Nothing to stream on until the host configures the device and commits.
                cv_.wait_for(lock, std::chrono::milliseconds(50));
                continue;
            }
        }
        if (state.commits != commits) {
            commits = state.commits;
            restart = true;
        }
        if (restart)
            next = Clock::now();
        bool idr = false;
        if (!encoder.Encode(state.encode, restart || state.idr_requested, &frame, &idr)) {
            std::fprintf(stderr, "simcam-gadget: the encoder refused the settings\n");
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            continue;
        }
        restart = false;
        // Real time: one frame per interval, never a burst to catch up.
        std::this_thread::sleep_until(next);
        const auto interval = std::chrono::microseconds(state.encode.frame_interval / 10);
        next = std::max(next + interval, Clock::now());
        const uint64_t ticks = static_cast<uint64_t>(
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - epoch).count());
        const uint32_t pts =
            static_cast<uint32_t>(ticks * (UvcFunction::kClockFrequency / 1000000));
        if (SendFrame(fd, frame, state, fid, pts)) {
            fid = !fid;
            ++frames_sent_;
        } else {
            // Interrupted (a commit, a configuration change) or the host went away: the rest
            // of the frame is dropped and the next stream starts with an IDR.
            restart = true;
            if (errno != EINTR) {
                // The endpoint is gone or stalled: no new frame until something changes.
                std::unique_lock<std::mutex> lock(mu_);
                cv_.wait_for(lock, std::chrono::seconds(1));
            }
        }
    }
    if (fd >= 0)
        close(fd);
    streamer_done_ = true;
}

}  // namespace simcam_gadget
