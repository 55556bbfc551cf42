#include "frame_stream.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace slhost {

void encode_sample(float value, const PcmFormat &format, uint8_t *out) {
    float v = std::max(-1.0f, std::min(1.0f, value));
    if (format.is_float()) {
        std::memcpy(out, &v, 4);
        return;
    }
    // Full scale is 2^31, so a sample read from an integer file comes back bit for bit; +1.0
    // itself is the largest value.
    double scaled = std::min(static_cast<double>(v) * 2147483648.0, 2147483647.0);
    auto s = static_cast<int32_t>(std::lrint(scaled));
    auto u = static_cast<uint32_t>(s);
    switch (format.bits) {
        case 8:
            out[0] = static_cast<uint8_t>((u >> 24) ^ 0x80);
            break;
        case 16:
            out[0] = static_cast<uint8_t>(u >> 16);
            out[1] = static_cast<uint8_t>(u >> 24);
            break;
        case 24:
            out[0] = static_cast<uint8_t>(u >> 8);
            out[1] = static_cast<uint8_t>(u >> 16);
            out[2] = static_cast<uint8_t>(u >> 24);
            break;
        default:
            for (int i = 0; i < 4; ++i) {
                out[i] = static_cast<uint8_t>(u >> (8 * i));
            }
            break;
    }
}

FrameStream::FrameStream(const PcmFormat &format)
    : format_(format),
      samples_(format.channels),
      frame_(format.frame_bytes()),
      used_(format.frame_bytes()) {}

void FrameStream::read_bytes(uint8_t *out, size_t size) {
    const size_t sample_bytes = format_.bits / 8;
    while (size > 0) {
        if (used_ == frame_.size()) {
            next_frame(samples_.data());
            for (size_t c = 0; c < samples_.size(); ++c) {
                encode_sample(samples_[c], format_, frame_.data() + c * sample_bytes);
            }
            used_ = 0;
        }
        size_t n = std::min(size, frame_.size() - used_);
        std::memcpy(out, frame_.data() + used_, n);
        used_ += n;
        out += n;
        size -= n;
    }
}

}  // namespace slhost
