// Turns whole frames of samples into a stream of bytes in a PCM format, so that a source can be
// read in stretches that end inside a frame.
#pragma once

#include "pcm_format.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace slhost {

// Writes one sample, given in [-1, 1], in the format's encoding (little-endian).
void encode_sample(float value, const PcmFormat &format, uint8_t *out);

class FrameStream {
  public:
    explicit FrameStream(const PcmFormat &format);
    virtual ~FrameStream() = default;
    // Copies the next `size` bytes of the stream into `out`.
    void read_bytes(uint8_t *out, size_t size);

  protected:
    // Fills `samples` (one per channel) with the next frame.
    virtual void next_frame(float *samples) = 0;
    const PcmFormat format_;

  private:
    std::vector<float> samples_;
    std::vector<uint8_t> frame_;
    size_t used_;
};

}  // namespace slhost
