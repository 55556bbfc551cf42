// The camera's H.264 encoder: libx264 over a moving test pattern, one access unit a call.
#pragma once

#include <stdint.h>

#include <memory>
#include <vector>

namespace simcam {

// What the encoder obeys; taken from the H.264 unit's committed configuration.
struct EncodeSettings {
    uint16_t width = 0, height = 0;
    uint32_t frame_interval = 333333;  // 100 ns units
    uint32_t bitrate = 1920000;        // bits per second
    uint16_t profile = 0x6400;         // 0x4200 baseline, 0x4D00 main, 0x6400 high
    uint8_t rate_control = 1;          // 1 CBR, 2 VBR, 3 constant QP
    uint16_t iframe_period = 1;        // seconds between IDR frames, 0: only the first

    bool operator==(const EncodeSettings &o) const;
    bool operator!=(const EncodeSettings &o) const { return !(*this == o); }
    // Frames between IDR frames (0: none after the first).
    int KeyframeInterval() const;
};

class Encoder {
  public:
    Encoder();
    ~Encoder();
    Encoder(const Encoder &) = delete;
    Encoder &operator=(const Encoder &) = delete;

    // Encodes the next picture in Annex B. New settings restart the stream with an IDR; so does
    // force_idr. Returns false (out empty) when libx264 refuses the settings.
    bool Encode(const EncodeSettings &settings, bool force_idr, std::vector<uint8_t> *out,
                bool *idr);

    // The next raw picture as YUYV (for a node streaming YUYV).
    static void DrawYuyv(uint32_t width, uint32_t height, uint64_t frame, uint8_t *out,
                         size_t size);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace simcam
