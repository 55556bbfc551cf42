#include "cli.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <opensles_host/alsa.h>
#include <opensles_host/test_control.h>

#ifdef ORV_AUDIO_ALSA
#include <alsa/asoundlib.h>
#endif

namespace orvaudio {
namespace {

#ifdef ORV_AUDIO_ALSA
// alsa-lib's own lines about a device that does not open: the probe says it in one line.
void Quiet(const char *, int, const char *, int, const char *, ...) {}
#endif

// "" when the sound device opens for this direction, else why not.
std::string SoundDeviceRefusal(bool capture) {
#ifdef ORV_AUDIO_ALSA
    if (slhost_alsa_available()) {
        const char *env = std::getenv("ORV_OPENSLES_ALSA_DEVICE");
        const std::string name = env != nullptr && *env != '\0' ? env : "default";
        snd_lib_error_set_handler(Quiet);
        snd_pcm_t *pcm = nullptr;
        const int error = snd_pcm_open(&pcm, name.c_str(),
                                       capture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK,
                                       SND_PCM_NONBLOCK);
        if (error == 0)
            snd_pcm_close(pcm);
        snd_lib_error_set_handler(nullptr);
        return error == 0 ? "" : "ALSA \"" + name + "\": " + snd_strerror(error);
    }
#endif
    (void)capture;
    return "built without ALSA";
}

}  // namespace

void ChooseBackend(bool capture) {
    const char *chosen = std::getenv("ORV_OPENSLES_BACKEND");
    if (chosen != nullptr && *chosen != '\0')
        return;
    const std::string refusal = SoundDeviceRefusal(capture);
    if (refusal.empty()) {
        slhost_set_backend("alsa");
        return;
    }
    std::fprintf(stderr,
                 "orv-audio: no sound device; the null back end %s (%s; ORV_OPENSLES_BACKEND "
                 "chooses another)\n",
                 capture ? "captures silence" : "discards the audio", refusal.c_str());
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
