// The camera's USB video function: its descriptors and its answers to the class requests of
// the VideoControl and VideoStreaming interfaces (probe/commit, the camera terminal's relative
// zoom and pan/tilt, the processing unit's brightness, the H.264 unit and the maker's units).
// No I/O: the gadgetfs link hands requests in and answers out; the streamer reads the settings.
#pragma once

#include <stdint.h>

#include <map>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

#include "config.h"
#include "encoder.h"
#include "usb_device_description.h"
#include "xu_model.h"

namespace simcam_gadget {

// A control request as it arrives in a SETUP packet.
struct Setup {
    uint8_t request_type;
    uint8_t request;
    uint16_t value;
    uint16_t index;
    uint16_t length;
};

enum class Reply {
    kData,  // answer with the bytes given (an IN request)
    kAck,   // accept (an OUT request)
    kStall,
};

// What the streamer follows: the committed stream and the encoder's settings.
struct StreamState {
    simcam::EncodeSettings encode;
    uint32_t max_payload = 0;  // dwMaxPayloadTransferSize
    uint64_t commits = 0;      // VideoStreaming commits so far: each starts a new stream
    bool idr_requested = false;
};

class UvcFunction {
  public:
    static constexpr uint32_t kClockFrequency = 48000000;  // dwClockFrequency, Hz
    static constexpr uint32_t kMaxPayload = 16384;         // 32 packets of 512 bytes

    explicit UvcFunction(const simcam::NodeConfig &node);

    // The device as the descriptors describe it (bus and address are left 0).
    const orvtest::SimUsbDevice &device() const { return device_; }
    const orvtest::SimUsbLayout &layout() const { return layout_; }

    // One class request to an interface. An IN request's answer goes to *in (at most
    // setup.length bytes); an OUT request's data stage is `out`.
    Reply Request(const Setup &setup, const uint8_t *out, std::vector<uint8_t> *in);

    // The stream the host committed, and whether an IDR is asked for (the request is taken).
    StreamState TakeStreamState();

    // VideoStreaming commits so far.
    uint64_t commits();

    // Cue: the next `count` GET requests of (entity, selector) are stalled.
    void StallGets(uint8_t entity, uint8_t selector, int count);

  private:
    struct Control {
        uint16_t size;
        uint8_t info;
        std::vector<uint8_t> min, max, res, def, cur;
    };

    Reply Streaming(const Setup &setup, uint8_t selector, const uint8_t *out,
                    std::vector<uint8_t> *in);
    Reply Extension(uint8_t unit, uint8_t selector, uint8_t request, const uint8_t *out,
                    std::vector<uint8_t> *in);
    Reply Standard(Control &c, uint8_t request, const uint8_t *out, std::vector<uint8_t> *in);
    // A probe made valid: format 1, a frame it has, the nearest interval that frame offers.
    std::vector<uint8_t> Normalized(const uint8_t *probe, size_t size) const;
    std::vector<uint8_t> DefaultProbe() const;
    bool SizeOffered(uint16_t width, uint16_t height) const;

    orvtest::SimUsbDevice device_;
    orvtest::SimUsbLayout layout_;
    orvtest::UsbEntities entities_;
    std::mutex mu_;
    std::map<std::pair<uint8_t, uint8_t>, Control> controls_;  // (entity, selector)
    std::map<std::pair<uint8_t, uint8_t>, int> stalls_;        // (entity, selector) -> count
    std::vector<uint8_t> probe_, commit_;
    uint8_t block_[simcam::kConfigBlockSize] = {};  // the H.264 unit's configuration
    uint8_t osd_status_, hdmi_input_;
    int last_osd_command_ = -1;
    StreamState stream_;
};

}  // namespace simcam_gadget
