// The camera on gadgetfs: writes its descriptors to the controller's ep0 file, answers the
// control requests gadgetfs hands up, and streams encoded frames on the bulk endpoint.
#pragma once

#include <linux/usb/ch9.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "config.h"
#include "uvc_function.h"

namespace simcam_gadget {

struct LinkOptions {
    std::string gadgetfs = "/dev/gadget";  // where gadgetfs is mounted
    std::string chip;                      // the controller's ep0 file; empty: the one there is
    std::string endpoint = "ep1in-bulk";   // the endpoint file that becomes IN endpoint 0x81
    std::string strings[2] = {"ORV", "ORV USB Camera"};  // manufacturer, product
    bool verbose = false;
};

class GadgetLink {
  public:
    GadgetLink(UvcFunction *function, const simcam::NodeConfig &node, LinkOptions options);
    ~GadgetLink();
    GadgetLink(const GadgetLink &) = delete;
    GadgetLink &operator=(const GadgetLink &) = delete;

    // Binds to the controller: the host sees the device arrive. Throws std::runtime_error.
    void Bind();
    // Lets go of the controller: the host sees the device leave.
    void Unbind();
    // Handles ep0 events until `stop` is set; `between` runs on this thread after each wait
    // (at most 50 ms apart, at once when `wake` is readable), where it may unplug and plug.
    void Serve(const std::atomic<bool> &stop, int wake, const std::function<void()> &between);

    // Unplugs (Unbind) or plugs in again (Bind); false when that failed.
    bool SetConnected(bool connected);
    // The next `n` frames carry the error bit.
    void CorruptFrames(int n) { corrupt_frames_ += n; }
    // Frames sent so far.
    uint64_t FramesSent() const { return frames_sent_; }

  private:
    void HandleSetup(const struct usb_ctrlrequest &setup);
    void Standard(const struct usb_ctrlrequest &setup);
    void Answer(const struct usb_ctrlrequest &setup, Reply reply, const std::vector<uint8_t> &in);
    void Ack();
    void Stall(bool in);
    void Configure();    // SET_CONFIGURATION: (re)enables the streaming endpoint
    void Unconfigure();  // disconnect or reset
    void StreamLoop();
    // Brings the streaming endpoint to the wanted configuration (streamer thread).
    int SyncEndpoint(int fd, uint64_t *config);
    // Writes one frame's payloads: false when the endpoint failed or the stream was interrupted.
    bool SendFrame(int fd, const std::vector<uint8_t> &frame, const struct StreamState &state,
                   bool fid, uint32_t pts);
    // Asks the streamer to drop what it sends and look at its state again; repeated from the
    // event loop until it has.
    void InterruptStreamer();
    void RepeatInterrupt();

    UvcFunction *function_;
    LinkOptions options_;
    std::string chip_;
    int ep0_ = -1;
    std::atomic<int> speed_{0};  // read by the streamer
    std::mutex mu_;
    std::condition_variable cv_;
    uint64_t configuration_ = 0;    // configuration changes so far (set, reset, disconnect)
    bool configured_ = false;       // the endpoint is wanted
    uint64_t endpoint_synced_ = 0;  // the configuration change the endpoint follows
    uint64_t commits_seen_ = 0;     // the VideoStreaming commits the event loop has seen
    bool quit_ = false;
    std::atomic<uint64_t> interrupts_{0}, interrupts_seen_{0};
    std::atomic<bool> streamer_done_{false};
    std::atomic<int> corrupt_frames_{0};
    std::atomic<uint64_t> frames_sent_{0};
    std::thread streamer_;
};

}  // namespace simcam_gadget
