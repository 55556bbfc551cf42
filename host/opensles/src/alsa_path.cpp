// The ALSA back end: players write to, recorders read from, an ALSA PCM opened non-blocking in
// the object's format. The object's thread waits for the device in wait_ready() (without the
// object's lock), so the device sets the pace; write() and read() only move what the device
// can take or give at once. An underrun or overrun is recovered and counted, never fatal; a
// device that fails for good (unplugged) is logged once and the stream goes on, paced by the
// clock, its audio discarded (playback) or silent (capture), so callbacks keep coming.
#include "device_path.h"
#include "log.h"

#include <opensles_host/alsa.h>

#include <alsa/asoundlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace slhost {
namespace {

std::atomic<SLuint32> xrun_count{0};

constexpr unsigned kLatencyUs = 100000;  // what the device buffers: 0.1 s

struct PcmCloser {
    void operator()(snd_pcm_t *pcm) const { snd_pcm_close(pcm); }
};
using PcmPtr = std::unique_ptr<snd_pcm_t, PcmCloser>;

std::string device_name() {
    const char *name = std::getenv("ORV_OPENSLES_ALSA_DEVICE");
    return name == nullptr || *name == '\0' ? std::string("default") : std::string(name);
}

snd_pcm_format_t alsa_format(const PcmFormat &format) {
    if (format.is_float()) {
        return SND_PCM_FORMAT_FLOAT_LE;
    }
    switch (format.bits) {
        case 8:
            return SND_PCM_FORMAT_U8;
        case 16:
            return SND_PCM_FORMAT_S16_LE;
        case 24:
            return SND_PCM_FORMAT_S24_3LE;
        default:
            return SND_PCM_FORMAT_S32_LE;
    }
}

// The PCM and what the player's and recorder's sides share: waiting for it and recovering it.
class AlsaPort : public DevicePacer {
  public:
    AlsaPort(PcmPtr pcm, std::string name, const PcmFormat &format, const char *xrun_name)
        : pcm_(std::move(pcm)),
          name_(std::move(name)),
          frame_bytes_(format.frame_bytes()),
          rate_hz_(std::max<SLuint32>(1, format.rate_mhz / 1000)),
          xrun_name_(xrun_name) {
        snd_pcm_uframes_t buffer = 0, period = 0;
        if (snd_pcm_get_params(pcm_.get(), &buffer, &period) < 0 || period == 0) {
            period = rate_hz_ / 40;
        }
        period_frames_ = std::max<snd_pcm_uframes_t>(1, period);
        period_ms_ = std::max<int>(1, static_cast<int>(period_frames_ * 1000 / rate_hz_));
    }

    void hold(bool on) override {
        if (broken_ ||
            snd_pcm_state(pcm_.get()) != (on ? SND_PCM_STATE_RUNNING : SND_PCM_STATE_PAUSED)) {
            return;  // not started yet, or already where it should be
        }
        const int err = snd_pcm_pause(pcm_.get(), on ? 1 : 0);
        if (err < 0 && !pause_refused_) {
            pause_refused_ = true;
            SLHOST_LOGW(
                "ALSA %s cannot pause (%s): it runs on while the stream is paused or "
                "stopped",
                name_.c_str(), snd_strerror(err));
        }
    }

  protected:
    // Frames the device can take (give) now, after waiting up to two periods for one period's
    // worth; 0 after a timeout or a recovery.
    snd_pcm_uframes_t wait_frames() {
        snd_pcm_sframes_t avail = snd_pcm_avail_update(pcm_.get());
        if (avail >= 0 && static_cast<snd_pcm_uframes_t>(avail) < period_frames_) {
            if (snd_pcm_state(pcm_.get()) == SND_PCM_STATE_PREPARED) {
                snd_pcm_start(pcm_.get());  // full, yet below a start threshold it kept
            }
            int ready = snd_pcm_wait(pcm_.get(), 2 * period_ms_);
            avail = ready < 0 ? ready : snd_pcm_avail_update(pcm_.get());
        }
        if (avail < 0) {
            recover(static_cast<int>(avail));
            return 0;
        }
        return static_cast<snd_pcm_uframes_t>(avail);
    }

    // Recovers from an xrun or a suspend; false (and the port broken) for any other error.
    bool recover(int err) {
        if (err == -EAGAIN) {
            return true;
        }
        if ((err == -EPIPE || err == -ESTRPIPE) && snd_pcm_recover(pcm_.get(), err, 1) == 0) {
            SLuint32 n = ++xrun_count;
            SLHOST_LOGW("ALSA %s: %s recovered (%u so far)", name_.c_str(), xrun_name_, n);
            return true;
        }
        SLHOST_LOGE("ALSA %s failed: %s; its audio is %s from now on", name_.c_str(),
                    snd_strerror(err), direction_effect());
        broken_ = true;
        return false;
    }

    // A broken port is paced by the clock instead, a period at a time.
    size_t idle_period() {
        std::this_thread::sleep_for(std::chrono::milliseconds(period_ms_));
        return period_frames_ * frame_bytes_;
    }

    virtual const char *direction_effect() const = 0;

    PcmPtr pcm_;
    const std::string name_;
    const size_t frame_bytes_;
    const SLuint32 rate_hz_;
    const char *const xrun_name_;
    snd_pcm_uframes_t period_frames_ = 1;
    int period_ms_ = 1;
    bool broken_ = false;
    bool pause_refused_ = false;
};

class AlsaSink : public PlaybackSink, public AlsaPort {
  public:
    AlsaSink(PcmPtr pcm, std::string name, const PcmFormat &format)
        : AlsaPort(std::move(pcm), std::move(name), format, "underrun") {}

    ~AlsaSink() override {
        if (broken_) {
            return;
        }
        // Everything written plays out before the PCM closes, a paused device's too.
        hold(false);
        snd_pcm_nonblock(pcm_.get(), 0);
        flush();
        snd_pcm_drain(pcm_.get());
    }

    size_t wait_ready() override {
        if (broken_) {
            return idle_period();
        }
        flush();
        const size_t room = wait_frames() * frame_bytes_;
        return room > pending_.size() ? room - pending_.size() : 0;
    }

    void write(const uint8_t *data, size_t size) override {
        if (broken_) {
            return;
        }
        pending_.insert(pending_.end(), data, data + size);
        flush();
    }

  private:
    const char *direction_effect() const override { return "discarded"; }

    // Hands the device the whole frames it takes now; the rest waits.
    void flush() {
        size_t done = 0;
        snd_pcm_uframes_t frames = pending_.size() / frame_bytes_;
        while (frames > 0 && !broken_) {
            snd_pcm_sframes_t n = snd_pcm_writei(pcm_.get(), pending_.data() + done, frames);
            if (n == -EAGAIN) {
                break;
            }
            if (n < 0) {
                recover(static_cast<int>(n));
                continue;
            }
            done += static_cast<size_t>(n) * frame_bytes_;
            frames -= static_cast<snd_pcm_uframes_t>(n);
        }
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(done));
        if (broken_) {
            pending_.clear();
        }
    }

    std::vector<uint8_t> pending_;  // bytes the device has not taken yet
};

class AlsaSource : public CaptureSource, public AlsaPort {
  public:
    AlsaSource(PcmPtr pcm, std::string name, const PcmFormat &format)
        : AlsaPort(std::move(pcm), std::move(name), format, "overrun") {}

    size_t wait_ready() override {
        if (broken_) {
            return idle_period();
        }
        if (snd_pcm_state(pcm_.get()) == SND_PCM_STATE_PREPARED) {
            int err = snd_pcm_start(pcm_.get());
            if (err < 0 && !recover(err)) {
                return 0;
            }
        }
        return wait_frames() * frame_bytes_ + (staged_.size() - staged_used_);
    }

    void read(uint8_t *data, size_t size) override {
        const size_t from_stage = std::min(size, staged_.size() - staged_used_);
        if (from_stage > 0) {
            std::memcpy(data, staged_.data() + staged_used_, from_stage);
            staged_used_ += from_stage;
            data += from_stage;
            size -= from_stage;
        }
        if (size == 0) {
            return;
        }
        // Whole frames from the device; the bytes past `size` are staged for the next read.
        // Capture is 16-bit or float, so the zeros left where the device gave less are silence.
        const snd_pcm_uframes_t frames = (size + frame_bytes_ - 1) / frame_bytes_;
        staged_.assign(frames * frame_bytes_, 0);
        staged_used_ = 0;
        snd_pcm_uframes_t got = 0;
        while (got < frames && !broken_) {
            snd_pcm_sframes_t n =
                snd_pcm_readi(pcm_.get(), staged_.data() + got * frame_bytes_, frames - got);
            if (n == -EAGAIN) {
                break;  // fewer than promised: silence fills the rest
            }
            if (n < 0) {
                recover(static_cast<int>(n));
                continue;
            }
            got += static_cast<snd_pcm_uframes_t>(n);
        }
        std::memcpy(data, staged_.data(), size);
        staged_used_ = size;
    }

  private:
    const char *direction_effect() const override { return "silence"; }

    std::vector<uint8_t> staged_;
    size_t staged_used_ = 0;
};

SLresult open_pcm(const PcmFormat &format, snd_pcm_stream_t stream, std::string &name,
                  PcmPtr &out) {
    name = device_name();
    const char *what = stream == SND_PCM_STREAM_PLAYBACK ? "playback" : "capture";
    snd_pcm_t *raw = nullptr;
    int err = snd_pcm_open(&raw, name.c_str(), stream, SND_PCM_NONBLOCK);
    if (err < 0) {
        SLHOST_LOGE("cannot open ALSA %s device %s: %s", what, name.c_str(), snd_strerror(err));
        return SL_RESULT_RESOURCE_ERROR;
    }
    PcmPtr pcm(raw);
    err = snd_pcm_set_params(raw, alsa_format(format), SND_PCM_ACCESS_RW_INTERLEAVED,
                             format.channels, format.rate_mhz / 1000, 1, kLatencyUs);
    if (err < 0) {
        SLHOST_LOGE("ALSA %s device %s refuses %u channels at %u Hz, %s: %s", what, name.c_str(),
                    format.channels, format.rate_mhz / 1000,
                    snd_pcm_format_name(alsa_format(format)), snd_strerror(err));
        return SL_RESULT_CONTENT_UNSUPPORTED;
    }
    if (stream == SND_PCM_STREAM_PLAYBACK) {
        // Sound starts with the first frame, as a phone's does: a short sound must not wait for
        // the device buffer to fill.
        snd_pcm_sw_params_t *sw = nullptr;
        snd_pcm_sw_params_alloca(&sw);
        if (snd_pcm_sw_params_current(raw, sw) < 0 ||
            snd_pcm_sw_params_set_start_threshold(raw, sw, 1) < 0 ||
            snd_pcm_sw_params(raw, sw) < 0) {
            SLHOST_LOGW("ALSA %s: playback starts only once the device buffer is full",
                        name.c_str());
        }
    }
    out = std::move(pcm);
    return SL_RESULT_SUCCESS;
}

}  // namespace

SLresult make_alsa_sink(const PcmFormat &format, std::unique_ptr<PlaybackSink> &out) {
    PcmPtr pcm;
    std::string name;
    SLresult r = open_pcm(format, SND_PCM_STREAM_PLAYBACK, name, pcm);
    if (r == SL_RESULT_SUCCESS) {
        out = std::make_unique<AlsaSink>(std::move(pcm), std::move(name), format);
    }
    return r;
}

SLresult make_alsa_source(const PcmFormat &format, std::unique_ptr<CaptureSource> &out) {
    PcmPtr pcm;
    std::string name;
    SLresult r = open_pcm(format, SND_PCM_STREAM_CAPTURE, name, pcm);
    if (r == SL_RESULT_SUCCESS) {
        out = std::make_unique<AlsaSource>(std::move(pcm), std::move(name), format);
    }
    return r;
}

}  // namespace slhost

extern "C" {

SL_API int slhost_alsa_available(void) {
    return 1;
}

SL_API SLuint32 slhost_alsa_xruns(void) {
    return slhost::xrun_count.load();
}

}  // extern "C"
