// capture: stream H.264 from a camera into a file, with a live progress line, encoder changes
// and I-frame requests at chosen frames, and a closing summary.
#include <signal.h>
#include <unistd.h>

#include <atomic>
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
#include "media/output_file.h"
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

// Buffered frames reach the output at least this often (seconds).
constexpr double kFlushEvery = 0.1;

int Capture(const CaptureOptions &o) {
    std::vector<Change> changes;
    for (const std::string &text : o.changes) {
        Change c;
        ParseChange(text, &c);  // checked when the command line was read
        changes.push_back(c);
    }
    FILE *summary = o.output == "-" ? stderr : stdout;
    const double seconds = o.frames == 0 && o.seconds == 0 ? 5.0 : o.seconds;
    const bool show_progress = o.progress.Show();

    // The output first: one that cannot be written is refused before the camera is touched.
    // Nothing the user had is changed until the capture has frames (OutputFile). A .mp4 or .mkv
    // name writes a container, with the frames' arrival times; an rtsp://, srt:// or rtmp:// URL
    // pushes to that server.
    OutputFile file;
    std::string why;
    // Set by the pushing thread when it waits for an IDR frame; the camera is asked here, on
    // the thread that owns it (declared before the push, which outlives none of it).
    std::atomic<bool> idr_wanted{false};
    std::unique_ptr<FrameOutput> out;
    if (IsPushUrl(o.output))
        out = OpenPush(o.output, &why, [&idr_wanted] { idr_wanted = true; });
    else if ((why = file.Open(o.output)).empty())
        out = IsContainerPath(o.output) ? OpenContainerOutput(file.Release(), o.output, &why)
                                        : OpenRawOutput(file.Release(), file.name());
    const std::string output = IsPushUrl(o.output) ? o.output : file.name();
    if (!out)
        return Fail(kFailed, why);
    // A closed pipe shows as EPIPE from the write, never as a fatal signal.
    signal(SIGPIPE, SIG_IGN);

    OpenSettings settings = o.settings;
    settings.unit = ChooseUnit(settings.unit_choice, o.node);
    OpenCamera camera(o.node, settings);
    if (camera.fd() < 0)
        return CannotOpen(o.node);
    ReportSettings(summary, o.node + ": ", ReadSettings(camera.fd(), settings.unit, false),
                   settings.encoder);
    if (!camera.StartCapture())
        return Fail(kFailed, "cannot start streaming from " + o.node);

    // Ctrl-C (or SIGTERM) ends the capture cleanly: the file is complete up to the last frame.
    CatchInterrupts();
    CaptureCount count;
    int result = kOk;
    FrameReader reader(camera.fd());
    bool lost = false;  // a write failed: not every frame counted reached the file
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
        const int64_t arrival =
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch())
                .count();
        if (!out->Write(data, n, arrival, &why)) {
            result = Fail(kFailed, why);
            lost = true;
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
        if (idr_wanted.exchange(false))
            send_uvc_command(settings.unit, camera.fd(), 0);
        // A reader of a pipe sees the frames within a tenth of a second even at a slow rate.
        if (count.seconds - last_flush >= kFlushEvery) {
            last_flush = count.seconds;
            if (!out->Flush(&why)) {
                result = Fail(kFailed, why);
                lost = true;
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
    if (!out->Finish(&why)) {
        if (!lost)
            result = Fail(kFailed, why);
        lost = true;
    }
    // What reached the file stays (an MP4 in fragments plays up to where the disk filled).
    if (out->bytes() > 0) {
        why = file.Keep();
        if (!why.empty() && result == kOk)
            result = Fail(kFailed, why);
    }
    std::fprintf(
        summary, "%s\n",
        (lost ? LostSummaryLine(count, output, out->bytes()) : SummaryLine(count, output)).c_str());
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
             "container (other containers are refused); an rtsp://, srt:// or rtmp:// URL pushes "
             "to that server",
             [](const std::string &path) {
                 return !IsPushUrl(path) && KindOf(path) == OutputKind::kUnsupported
                            ? "--output: orv-camera writes raw H.264, MP4 (.mp4) or Matroska "
                              "(.mkv), not '" +
                                  path + "'"
                            : std::string();
             })
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
