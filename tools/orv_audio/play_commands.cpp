// play and tone: a WAV file or a sine through the library's playback stream, 20 ms a buffer,
// with the live line and a closing summary.
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <opensles_host/alsa.h>
#include <sndfile.h>

#include "audio_track_native.h"
#include "cli.h"
#include "commands.h"
#include "level.h"

namespace orvaudio {
namespace {

constexpr unsigned kBuffers = 4;

// Fills up to `frames` frames into the buffer; the frames given, 0 at the end.
using Fill = std::function<size_t(void *buffer, size_t frames)>;

// --pause-at and --stop-at: once `at` seconds of audio are written, the stream is paused (or
// stopped) for `ms` milliseconds, then started again, while the device goes on.
struct Hold {
    double pause_at = -1;
    double stop_at = -1;
    int ms = 300;
};

// Holds the stream when its time has come; false when it would not pause, stop or start.
bool HoldStream(AudioTrackNative &track, const Hold &hold, double written, bool *done) {
    const bool pause = hold.pause_at >= 0 && written >= hold.pause_at;
    if (*done || !(pause || (hold.stop_at >= 0 && written >= hold.stop_at)))
        return true;
    *done = true;
    if ((pause ? track.pause() : track.stop()) != 0)
        return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(hold.ms));
    std::printf("%s for %d ms after %.2f s\n", pause ? "paused" : "stopped", hold.ms, written);
    return track.start() == 0;
}

void AddHoldOptions(Command &cmd, Hold *hold) {
    cmd.Number("--pause-at", &hold->pause_at, "Pause once this many seconds are written",
               orvtool::Bound::kNonNegative)
        .Number("--stop-at", &hold->stop_at, "Stop once this many seconds are written",
                orvtool::Bound::kNonNegative)
        .Excludes("--pause-at")
        .Number("--hold-ms", &hold->ms, "How long the pause or the stop lasts, ms",
                orvtool::Bound::kNonNegative)
        .ShowDefault();
}

int PlayStream(const StreamFormat &f, const Fill &fill, const std::string &what,
               const ProgressFlags &flags, const Hold &hold) {
    ChooseBackend(false);
    AudioTrackNative track;
    if (track.open(f.channels, f.rate, f.use_float, kBuffers) != 0)
        return Fail(kFailed, "the playback stream did not open with " + f.Text() +
                                 " (the format or the sound device was refused; -v shows why)");
    if (track.start() != 0)
        return Fail(kFailed, "cannot start the playback stream (-v shows why)");
    CatchInterrupts();
    const SLuint32 xruns_before = slhost_alsa_xruns();
    Progress progress(flags.Show());
    const size_t frames_per_buffer = f.rate / 50 > 0 ? f.rate / 50 : 1;
    std::vector<unsigned char> buffer(frames_per_buffer * f.FrameBytes());
    uint64_t frames = 0;
    int result = kOk;
    SLmillisecond position = 0;
    bool held = false;
    while (!Interrupted()) {
        if (!HoldStream(track, hold, static_cast<double>(frames) / f.rate, &held)) {
            result = Fail(kFailed, "the playback stream did not pause, stop or start again");
            break;
        }
        const size_t n = fill(buffer.data(), frames_per_buffer);
        if (n == 0)
            break;
        if (track.write(buffer.data(), n * f.FrameBytes(), true) < 0) {
            result = Fail(kFailed, "the playback stream refused a buffer");
            break;
        }
        progress.Add(buffer.data(), n * f.channels, f.use_float);
        frames += n;
        track.getPositionInMsec(&position);
        progress.Tick(static_cast<int>(position), track.buffersPending());
    }
    // The queued buffers play out; bounded by their length and two seconds.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(20 * kBuffers + 2000);
    while (!Interrupted() && result == kOk && track.buffersPending() > 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            result = Fail(kFailed, "the last buffers did not play within two seconds");
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        track.getPositionInMsec(&position);
        progress.Tick(static_cast<int>(position), track.buffersPending());
    }
    if (Interrupted())
        track.flush();
    track.getPositionInMsec(&position);
    const int pending = track.buffersPending();
    track.stop();
    track.close();  // the sound device plays out what it holds
    progress.Finish(static_cast<int>(position), pending);
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f s", static_cast<double>(frames) / f.rate);
    std::printf("played %s (%llu frames) of %s from %s: %s; underruns recovered: %u%s\n", seconds,
                static_cast<unsigned long long>(frames), f.Text().c_str(), what.c_str(),
                LevelText(progress.Total()).c_str(), slhost_alsa_xruns() - xruns_before,
                Interrupted() ? "; interrupted" : "");
    return result == kOk && Interrupted() ? kInterrupted : result;
}

struct SndfileCloser {
    void operator()(SNDFILE *f) const { sf_close(f); }
};

int PlayFile(const std::string &path, const ProgressFlags &flags, const Hold &hold) {
    SF_INFO info{};
    std::unique_ptr<SNDFILE, SndfileCloser> file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file) {
        const bool missing = access(path.c_str(), F_OK) != 0;
        return Fail(missing ? kNotFound : kFailed,
                    "cannot read " + path + ": " + sf_strerror(nullptr));
    }
    StreamFormat f;
    f.rate = info.samplerate;
    f.channels = info.channels;
    // Files of more than 16 bits play as float so nothing of them is lost.
    const int subtype = info.format & SF_FORMAT_SUBMASK;
    f.use_float = subtype == SF_FORMAT_FLOAT || subtype == SF_FORMAT_DOUBLE ||
                  subtype == SF_FORMAT_PCM_24 || subtype == SF_FORMAT_PCM_32;
    SNDFILE *sf = file.get();
    Fill fill = [sf, f](void *buffer, size_t frames) -> size_t {
        const sf_count_t n = f.use_float ? sf_readf_float(sf, static_cast<float *>(buffer), frames)
                                         : sf_readf_short(sf, static_cast<short *>(buffer), frames);
        return n > 0 ? static_cast<size_t>(n) : 0;
    };
    return PlayStream(f, fill, path, flags, hold);
}

struct ToneOptions {
    StreamFormat format;
    double freq = 440;
    double seconds = 1;
    double amplitude = 0.5;
    ProgressFlags flags;
    Hold hold;
};

int PlayTone(const ToneOptions &o) {
    const StreamFormat f = o.format;
    auto left = std::make_shared<uint64_t>(static_cast<uint64_t>(std::llround(o.seconds * f.rate)));
    auto index = std::make_shared<uint64_t>(0);
    Fill fill = [=](void *buffer, size_t frames) -> size_t {
        const size_t n = frames < *left ? frames : static_cast<size_t>(*left);
        auto *out = static_cast<unsigned char *>(buffer);
        for (size_t i = 0; i < n; ++i, ++*index) {
            const double phase = std::fmod(static_cast<double>(*index) * o.freq / f.rate, 1.0);
            const float v = static_cast<float>(o.amplitude * std::sin(2 * M_PI * phase));
            const int16_t s = static_cast<int16_t>(std::lrint(v * 32767.0));
            for (int c = 0; c < f.channels; ++c, out += f.use_float ? 4 : 2) {
                if (f.use_float)
                    std::memcpy(out, &v, 4);
                else
                    std::memcpy(out, &s, 2);
            }
        }
        *left -= n;
        return n;
    };
    char what[64];
    std::snprintf(what, sizeof what, "a %g Hz tone", o.freq);
    return PlayStream(f, fill, what, o.flags, o.hold);
}

}  // namespace

void AddPlayCommands(orvtool::Cli &cli) {
    auto file = std::make_shared<std::string>();
    auto flags = std::make_shared<ProgressFlags>();
    auto hold = std::make_shared<Hold>();
    Command play = cli.Add("play", "Play a WAV (or any libsndfile) file");
    play.Text("FILE", file.get(), "The file").Required();
    AddProgressFlags(play, flags.get());
    AddHoldOptions(play, hold.get());
    play.Runs([file, flags, hold] { return PlayFile(*file, *flags, *hold); });

    auto o = std::make_shared<ToneOptions>();
    Command tone = cli.Add("tone", "Play a sine tone");
    tone.Number("--freq", &o->freq, "Frequency, Hz", orvtool::Bound::kPositive)
        .ShowDefault()
        .Number("--seconds", &o->seconds, "Length", orvtool::Bound::kPositive, kMaxSeconds)
        .ShowDefault()
        .Number("--amplitude", &o->amplitude, "Peak, a fraction of full scale", 0.0, 1.0)
        .ShowDefault();
    AddFormatOptions(tone, &o->format);
    AddProgressFlags(tone, &o->flags);
    AddHoldOptions(tone, &o->hold);
    tone.Runs([o] {
        if (o->freq * 2 >= o->format.rate)
            return Fail(kUsage, "--freq must be below half of --rate");
        return PlayTone(*o);
    });
}

}  // namespace orvaudio
