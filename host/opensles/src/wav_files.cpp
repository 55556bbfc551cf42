// The WAV back end's files, through libsndfile.
#include "data_path.h"
#include "frame_stream.h"
#include "log.h"

#include <sndfile.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace slhost {
namespace {

struct SndfileCloser {
    void operator()(SNDFILE *f) const { sf_close(f); }
};
using SndfilePtr = std::unique_ptr<SNDFILE, SndfileCloser>;

int subtype_of(const PcmFormat &format) {
    if (format.is_float()) {
        return SF_FORMAT_FLOAT;
    }
    switch (format.bits) {
        case 8:
            return SF_FORMAT_PCM_U8;
        case 16:
            return SF_FORMAT_PCM_16;
        case 24:
            return SF_FORMAT_PCM_24;
        default:
            return SF_FORMAT_PCM_32;
    }
}

class WavSink : public PlaybackSink {
  public:
    WavSink(SndfilePtr file, size_t frame_bytes) : file_(std::move(file)), frame_(frame_bytes) {}
    // Bytes are written in whole frames; a trailing part of a frame waits for the rest.
    void write(const uint8_t *data, size_t size) override {
        if (!pending_.empty()) {
            size_t n = std::min(size, frame_ - pending_.size());
            pending_.insert(pending_.end(), data, data + n);
            data += n;
            size -= n;
            if (pending_.size() == frame_) {
                sf_write_raw(file_.get(), pending_.data(), static_cast<sf_count_t>(frame_));
                pending_.clear();
            }
        }
        size_t whole = size - size % frame_;
        if (whole > 0) {
            sf_write_raw(file_.get(), data, static_cast<sf_count_t>(whole));
        }
        pending_.insert(pending_.end(), data + whole, data + size);
    }

  private:
    SndfilePtr file_;
    const size_t frame_;
    std::vector<uint8_t> pending_;
};

class WavSource : public CaptureSource, private FrameStream {
  public:
    WavSource(const PcmFormat &format, SndfilePtr file, int file_channels)
        : FrameStream(format), file_(std::move(file)), file_frame_(file_channels) {}
    void read(uint8_t *data, size_t size) override { read_bytes(data, size); }

  private:
    void next_frame(float *samples) override {
        if (!ended_ && sf_readf_float(file_.get(), file_frame_.data(), 1) != 1) {
            ended_ = true;
        }
        for (SLuint32 c = 0; c < format_.channels; ++c) {
            size_t from = std::min<size_t>(c, file_frame_.size() - 1);
            samples[c] = ended_ ? 0.0f : file_frame_[from];
        }
    }
    SndfilePtr file_;
    std::vector<float> file_frame_;
    bool ended_ = false;
};

}  // namespace

SLresult make_wav_sink(const PcmFormat &format, unsigned serial,
                       std::unique_ptr<PlaybackSink> &out) {
    std::string path = wav_output_path(serial);
    SF_INFO info{};
    info.samplerate = static_cast<int>(format.rate_mhz / 1000);
    info.channels = static_cast<int>(format.channels);
    info.format = SF_FORMAT_WAV | subtype_of(format);
    SndfilePtr file(sf_open(path.c_str(), SFM_WRITE, &info));
    if (!file) {
        SLHOST_LOGE("cannot create WAV file %s: %s", path.c_str(), sf_strerror(nullptr));
        return SL_RESULT_RESOURCE_ERROR;
    }
    out = std::make_unique<WavSink>(std::move(file), format.frame_bytes());
    return SL_RESULT_SUCCESS;
}

SLresult make_wav_source(const PcmFormat &format, std::unique_ptr<CaptureSource> &out) {
    std::string path = wav_input_path();
    if (path.empty()) {
        SLHOST_LOGE("WAV capture needs ORV_OPENSLES_WAV_IN");
        return SL_RESULT_RESOURCE_ERROR;
    }
    SF_INFO info{};
    SndfilePtr file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file || info.channels < 1) {
        SLHOST_LOGE("cannot read WAV file %s: %s", path.c_str(), sf_strerror(nullptr));
        return SL_RESULT_RESOURCE_ERROR;
    }
    if (static_cast<SLuint32>(info.samplerate) * 1000 != format.rate_mhz) {
        SLHOST_LOGW("WAV file %s has %d Hz, recorder %u mHz: samples are taken as they are",
                    path.c_str(), info.samplerate, format.rate_mhz);
    }
    out = std::make_unique<WavSource>(format, std::move(file), info.channels);
    return SL_RESULT_SUCCESS;
}

}  // namespace slhost
