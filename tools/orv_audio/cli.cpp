#include "cli.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include <CLI/CLI.hpp>
#include <opensles_host/alsa.h>

#ifdef ORV_AUDIO_ALSA
#include <alsa/asoundlib.h>
#endif

namespace orvaudio {
namespace {

volatile sig_atomic_t interrupted = 0;

void OnSignal(int) {
    interrupted = 1;
}

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

int Fail(int code, const std::string &message) {
    std::fprintf(stderr, "orv-audio: %s\n", message.c_str());
    return code;
}

void CatchInterrupts() {
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

bool Interrupted() {
    return interrupted != 0;
}

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

void AddFormatOptions(CLI::App *cmd, StreamFormat *f) {
    cmd->add_option("--rate", f->rate, "Sample rate, Hz")
        ->capture_default_str()
        ->check(CLI::PositiveNumber);
    cmd->add_option("--channels", f->channels, "Channels")
        ->capture_default_str()
        ->check(CLI::PositiveNumber);
    cmd->add_flag("--float", f->use_float, "32-bit float samples (default: 16-bit integers)");
}

bool ProgressFlags::Show() const {
    return !no_progress && (progress || isatty(STDERR_FILENO));
}

void AddProgressFlags(CLI::App *cmd, ProgressFlags *flags) {
    auto *progress = cmd->add_flag("--progress", flags->progress,
                                   "Show the live line of position, buffers pending and level "
                                   "(default: when stderr is a terminal)");
    cmd->add_flag("--no-progress", flags->no_progress, "Never show it")->excludes(progress);
}

}  // namespace orvaudio
