// capture: stream H.264 from a camera into a file, with a live progress line, encoder changes
// and I-frame requests at chosen frames, and a closing summary.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "camera_device.h"
#include "camera_discovery.h"
#include "cli_common.h"
#include "cli_app.h"
#include "commands.h"
#include "media/frame_output.h"
#include "media/stream_push.h"
#include "h264_unit.h"
#include "open_camera.h"
#include "frame_reader.h"
#include "progress.h"
#include "progress_flags.h"
#include "setting_change.h"

namespace orvcli {
namespace {

struct CaptureOptions {
    std::string node;
    std::string output;
    int64_t frames = 0;
    double seconds = 0;
    OpenSettings settings;
    std::vector<std::string> changes;
    std::vector<int64_t> iframes_at;
    orvtool::ProgressFlags progress;
};

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Closes the output unless it is standard output.
struct OutputFile {
    FILE *file = nullptr;
    ~OutputFile() {
        if (file && file != stdout)
            std::fclose(file);
    }
};

// Buffered frames reach the output at least this often (seconds).
constexpr double kFlushEvery = 0.1;

// Frames are gathered into large writes rather than one write per frame: the buffer stays
// valid as long as the stream may be used (standard output lives until exit), and a capture
// flushes it before it reports.
void BufferLargeWrites(FILE *file) {
    static char buffer[1 << 20];
    std::setvbuf(file, buffer, _IOFBF, sizeof buffer);
}

// What a write error means: a reader that went away ends the capture, anything else fails it.
std::string WriteError(const std::string &output, int err) {
    if (err == EPIPE)
        return "the reader of " + output + " closed it; the capture stops";
    return "cannot write " + output + ": " + std::strerror(err);
}

int Capture(const CaptureOptions &o) {
    std::vector<Change> changes;
    for (const std::string &text : o.changes) {
        Change c;
        ParseChange(text, &c);  // checked when the command line was read
        changes.push_back(c);
    }
    const bool to_stdout = o.output == "-";
    const std::string output = to_stdout ? "standard output" : o.output;
    FILE *summary = to_stdout ? stderr : stdout;
    const double seconds = o.frames == 0 && o.seconds == 0 ? 5.0 : o.seconds;
    const bool show_progress = o.progress.Show();

    // The output first: one that cannot be written is refused before the camera is touched.
    // A .mp4 or .mkv name writes a container, with the frames' arrival times.
    std::string why;
    std::unique_ptr<FrameOutput> container;
    if (IsPushUrl(o.output) ? !(container = OpenPush(o.output, &why))
                            : !to_stdout && IsContainerPath(o.output) &&
                                  !(container = OpenContainer(o.output, &why)))
        return Fail(kFailed, why);
    OutputFile out;
    out.file = container || to_stdout ? stdout : std::fopen(o.output.c_str(), "wb");
    if (!out.file)
        return Fail(kFailed, "cannot create " + o.output + ": " + std::strerror(errno));
    if (!container)
        BufferLargeWrites(out.file);
    // A closed pipe shows as EPIPE from the write, never as a fatal signal.
    signal(SIGPIPE, SIG_IGN);

    OpenSettings settings = o.settings;
    settings.unit = ChooseUnit(settings.unit_choice, o.node);
    OpenCamera camera(o.node, settings);
    if (camera.fd() < 0)
        return CannotOpen(o.node);
    ReportSettings(summary, o.node + ": ", ReadSettings(camera.fd(), settings.unit),
                   settings.encoder);
    if (!camera.StartCapture())
        return Fail(kFailed, "cannot start streaming from " + o.node);

    // Ctrl-C (or SIGTERM) ends the capture cleanly: the file is complete up to the last frame.
    CatchInterrupts();
    CaptureCount count;
    int result = kOk;
    FrameReader reader(camera.fd());
    const Clock::time_point start = Clock::now();
    double last_progress = -1;
    double last_flush = 0;
    while (!Interrupted() && (o.frames == 0 || count.frames < o.frames) &&
           (seconds == 0 || Since(start) < seconds)) {
        const uint8_t *data = nullptr;
        size_t n = 0;
        const FrameReader::Result read = reader.Read(&data, &n);
        if (read == FrameReader::Result::kNone)
            continue;
        if (read != FrameReader::Result::kFrame) {
            result =
                Fail(kFailed, (read == FrameReader::Result::kGone ? o.node + " went away"
                                                                  : "no frame from " + o.node) +
                                  "; the capture stops");
            break;
        }
        if (container) {
            const int64_t arrival = std::chrono::duration_cast<std::chrono::microseconds>(
                                        Clock::now().time_since_epoch())
                                        .count();
            if (!container->Write(data, n, arrival, &why)) {
                result = Fail(kFailed, why);
                break;
            }
        } else if (std::fwrite(data, 1, n, out.file) != n) {
            result = Fail(kFailed, WriteError(output, errno));
            break;
        }
        ++count.frames;
        count.bytes += static_cast<int64_t>(n);
        count.seconds = Since(start);
        for (const Change &c : changes)
            if (c.at_frame == count.frames &&
                c.row->apply(settings.unit, camera.fd(), c.value) != 0)
                result = Fail(kFailed, "the camera refused " + c.text);
        for (int64_t at : o.iframes_at)
            if (at == count.frames && send_uvc_command(settings.unit, camera.fd(), 0) != 0)
                result = Fail(kFailed, "the camera refused the I-frame request");
        // A reader of a pipe sees the frames within a tenth of a second even at a slow rate.
        if (count.seconds - last_flush >= kFlushEvery) {
            last_flush = count.seconds;
            if (std::fflush(out.file) != 0) {
                result = Fail(kFailed, WriteError(output, errno));
                break;
            }
        }
        if (show_progress && count.seconds - last_progress >= 0.25) {
            last_progress = count.seconds;
            std::fprintf(stderr, "\r%s ", ProgressLine(count).c_str());
        }
    }
    count.seconds = Since(start);
    if (show_progress)
        std::fprintf(stderr, "\r%s \n", ProgressLine(count).c_str());
    if (container && !container->Finish(&why) && result == kOk)
        result = Fail(kFailed, why);
    else if (!container && std::fflush(out.file) != 0 && result == kOk)
        result = Fail(kFailed, WriteError(output, errno));
    std::fprintf(summary, "%s\n", SummaryLine(count, output).c_str());
    for (const Change &c : changes)
        if (c.at_frame > count.frames)
            std::fprintf(stderr,
                         "orv-camera: warning: --change %s@%lld not applied: the capture "
                         "ended after %lld frames\n",
                         c.text.c_str(), static_cast<long long>(c.at_frame),
                         static_cast<long long>(count.frames));
    for (int64_t at : o.iframes_at)
        if (at > count.frames)
            std::fprintf(stderr,
                         "orv-camera: warning: --iframe-at %lld not applied: the capture ended "
                         "after %lld frames\n",
                         static_cast<long long>(at), static_cast<long long>(count.frames));
    if (Interrupted())
        return Fail(kInterrupted, "interrupted; " + output + " is complete up to the last frame");
    if (count.frames == 0 && result == kOk)
        result = Fail(kFailed, "no frame was captured");
    return result;
}

}  // namespace

void AddCaptureCommand(Cli &cli) {
    auto o = std::make_shared<CaptureOptions>();
    Command cmd =
        cli.Add("capture",
                "Capture H.264 from a camera to a file (5 seconds unless told otherwise); "
                "Ctrl-C ends it with a complete file and exit status 130");
    AddNodeOption(cmd, &o->node);
    cmd.Text("-o,--output", &o->output,
             "H.264 elementary stream file, - for stdout; a .mp4 or .mkv name writes that "
             "container; an rtsp://, srt:// or rtmp:// URL pushes to that server")
        .Required()
        .Int64("--frames", &o->frames, "Stop after this many frames", 1)
        .Positive("--seconds", &o->seconds, "Stop after this many seconds");
    AddOpenOptions(cmd, &o->settings);
    cmd.Texts("--change", &o->changes,
              "Change an encoder setting after a frame: KEY=VALUE@FRAME, KEY one of " +
                  SettingKeys() + " (values as their options take them)",
              [](const std::string &text) {
                  Change c;
                  return ParseChange(text, &c);
              })
        .Int64s("--iframe-at", &o->iframes_at, "Request an I-frame after this frame", 1);
    orvtool::AddProgressFlags(cmd, &o->progress, "frames, fps and kbit/s");
    cmd.Runs([o] { return Capture(*o); });
}

}  // namespace orvcli
