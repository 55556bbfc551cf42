// record: the library's capture stream into a WAV file of the requested format and length,
// with the live line and a closing summary. Ctrl-C (or a closed terminal) ends it with a
// complete file and exit status 130.
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <opensles_host/alsa.h>

#include "audio_record_native.h"
#include "cli.h"
#include "commands.h"
#include "level.h"
#include "wav_output.h"

namespace orvaudio {
namespace {

struct RecordOptions {
    std::string output;
    double seconds = 0;
    StreamFormat format;
    ProgressFlags flags;
};

constexpr unsigned kBuffers = 4;

int Record(const RecordOptions &o) {
    const StreamFormat &f = o.format;
    ChooseBackend(true);
    AudioRecordNative stream;
    if (stream.open(f.channels, f.rate, f.use_float, kBuffers) != 0)
        return Fail(kFailed, "the capture stream did not open with " + f.Text() +
                                 " (the format or the sound device was refused; -v shows why)");
    const uint64_t wanted = static_cast<uint64_t>(std::llround(o.seconds * f.rate));
    Sndfile file =
        CreateRecording(o.output, {f.rate, f.channels, f.use_float, wanted * f.FrameBytes()});
    if (!file)
        return Fail(kFailed, "cannot create " + o.output + ": " + sf_strerror(nullptr));
    if (stream.start() != 0)
        return Fail(kFailed, "cannot start the capture stream (-v shows why)");
    CatchInterrupts();
    const SLuint32 xruns_before = slhost_alsa_xruns();
    Progress progress(o.flags.Show());
    const size_t frames_per_read = f.rate / 50 > 0 ? f.rate / 50 : 1;
    std::vector<unsigned char> buffer(frames_per_read * f.FrameBytes());
    uint64_t frames = 0;
    int result = kOk;
    SLmillisecond position = 0;
    while (!Interrupted() && frames < wanted) {
        const size_t ask = static_cast<size_t>(
            std::min<uint64_t>(frames_per_read, wanted - frames) * f.FrameBytes());
        const long got = stream.read(buffer.data(), ask, true);
        if (got < 0) {
            result = Fail(kFailed, "the capture stream failed");
            break;
        }
        const size_t n = static_cast<size_t>(got) / f.FrameBytes();
        if (sf_write_raw(file.get(), buffer.data(), static_cast<sf_count_t>(n * f.FrameBytes())) !=
            static_cast<sf_count_t>(n * f.FrameBytes())) {
            result = Fail(kFailed, "cannot write " + o.output + ": " + sf_strerror(file.get()));
            break;
        }
        progress.Add(buffer.data(), n * f.channels, f.use_float);
        frames += n;
        stream.getPositionInMsec(&position);
        progress.Tick(static_cast<int>(position), stream.buffersPending());
    }
    stream.getPositionInMsec(&position);
    const int pending = stream.buffersPending();
    stream.stop();
    stream.close();
    if (sf_close(file.release()) != 0 && result == kOk)  // the header now holds the length
        result = Fail(kFailed, "cannot complete " + o.output + "'s header");
    progress.Finish(static_cast<int>(position), pending);
    std::printf("recorded %.2f s (%llu frames) of %s to %s: %s; overruns recovered: %u%s\n",
                static_cast<double>(frames) / f.rate, static_cast<unsigned long long>(frames),
                f.Text().c_str(), o.output.c_str(), LevelText(progress.Total()).c_str(),
                slhost_alsa_xruns() - xruns_before, Interrupted() ? "; interrupted" : "");
    return result == kOk && Interrupted() ? kInterrupted : result;
}

}  // namespace

void AddRecordCommand(orvtool::Cli &cli) {
    auto o = std::make_shared<RecordOptions>();
    Command cmd = cli.Add("record", "Record into a WAV file");
    cmd.Text("FILE", &o->output, "The WAV file (16-bit, or float with --float)")
        .Required()
        .Number("--seconds", &o->seconds, "Length", orvtool::Bound::kPositive, kMaxSeconds)
        .Required();
    AddFormatOptions(cmd, &o->format);
    AddProgressFlags(cmd, &o->flags);
    cmd.Runs([o] { return Record(*o); });
}

}  // namespace orvaudio
