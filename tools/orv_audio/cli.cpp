#include "cli.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include <opensles_host/alsa.h>

#ifdef ORV_AUDIO_ALSA
#include <alsa/asoundlib.h>
#endif

namespace orvaudio {
namespace {

bool SoundDeviceOpens(bool capture) {
#ifdef ORV_AUDIO_ALSA
    const char *name = std::getenv("ORV_OPENSLES_ALSA_DEVICE");
    snd_pcm_t *pcm = nullptr;
    if (snd_pcm_open(&pcm, name != nullptr && *name != '\0' ? name : "default",
                     capture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK,
                     SND_PCM_NONBLOCK) < 0)
        return false;
    snd_pcm_close(pcm);
    return true;
#else
    (void)capture;
    return false;
#endif
}

}  // namespace

void ChooseBackend(bool capture) {
    const char *chosen = std::getenv("ORV_OPENSLES_BACKEND");
    if (chosen != nullptr && *chosen != '\0')
        return;
    if (slhost_alsa_available() && SoundDeviceOpens(capture)) {
        setenv("ORV_OPENSLES_BACKEND", "alsa", 1);
        return;
    }
    std::fprintf(stderr,
                 "orv-audio: no sound device; the null back end %s (ORV_OPENSLES_BACKEND "
                 "chooses another)\n",
                 capture ? "captures silence" : "discards the audio");
}

std::string StreamFormat::Text() const {
    return std::to_string(rate) + " Hz, " + std::to_string(channels) +
           (channels == 1 ? " channel, " : " channels, ") + (use_float ? "float" : "16-bit");
}

void AddFormatOptions(Command &cmd, StreamFormat *f) {
    cmd.Number("--rate", &f->rate, "Sample rate, Hz", orvtool::Bound::kPositive)
        .ShowDefault()
        .Number("--channels", &f->channels, "Channels", orvtool::Bound::kPositive)
        .ShowDefault()
        .Flag("--float", &f->use_float, "32-bit float samples (default: 16-bit integers)");
}

void AddProgressFlags(Command &cmd, ProgressFlags *flags) {
    orvtool::AddProgressFlags(cmd, flags, "position, buffers pending and level");
}

}  // namespace orvaudio
