// Capture that needs no input: silence, a sine, or a byte counter.
#include "data_path.h"
#include "frame_stream.h"

#include <cmath>
#include <cstring>

namespace slhost {
namespace {

class SilenceSource : public CaptureSource {
  public:
    explicit SilenceSource(const PcmFormat &format) : unsigned8_(format.bits == 8) {}
    void read(uint8_t *data, size_t size) override {
        // Silence of unsigned 8-bit samples is the middle value, not zero.
        std::memset(data, unsigned8_ ? 0x80 : 0, size);
    }

  private:
    const bool unsigned8_;
};

class CounterSource : public CaptureSource {
  public:
    void read(uint8_t *data, size_t size) override {
        for (size_t i = 0; i < size; ++i) {
            data[i] = static_cast<uint8_t>(next_++ & 0xFF);
        }
    }

  private:
    uint64_t next_ = 0;
};

class SineSource : public CaptureSource, private FrameStream {
  public:
    SineSource(const PcmFormat &format, double hertz)
        : FrameStream(format), step_(2.0 * M_PI * hertz * 1000.0 / format.rate_mhz) {}
    void read(uint8_t *data, size_t size) override { read_bytes(data, size); }

  private:
    void next_frame(float *samples) override {
        auto v = static_cast<float>(0.5 * std::sin(step_ * static_cast<double>(frame_++)));
        for (SLuint32 c = 0; c < format_.channels; ++c) {
            samples[c] = v;
        }
    }
    const double step_;
    uint64_t frame_ = 0;
};

class DiscardSink : public PlaybackSink {
  public:
    void write(const uint8_t *, size_t) override {}
};

}  // namespace

std::unique_ptr<PlaybackSink> make_discard_sink() {
    return std::make_unique<DiscardSink>();
}

std::unique_ptr<CaptureSource> make_generated_source(const PcmFormat &format,
                                                     const CaptureSpec &spec) {
    switch (spec.kind) {
        case CaptureSpec::Sine:
            return std::make_unique<SineSource>(format, spec.hertz);
        case CaptureSpec::Counter:
            return std::make_unique<CounterSource>();
        case CaptureSpec::Silence:
        default:
            return std::make_unique<SilenceSource>(format);
    }
}

}  // namespace slhost
