// capture: stream H.264 from a camera into a file, with a live progress line, encoder changes
// and I-frame requests at chosen frames, and a closing summary.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "camera_device.h"
#include "camera_discovery.h"
#include "cli_common.h"
#include "commands.h"
#include "h264_unit.h"
#include "open_camera.h"
#include "progress.h"

namespace orvcli {
namespace {

volatile sig_atomic_t interrupted = 0;

void OnSignal(int) {
    interrupted = 1;
}

// Ctrl-C (or SIGTERM) ends the capture cleanly: the file is complete up to the last frame.
void CatchInterrupts() {
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

// One encoder change at a frame count: "KEY=VALUE@FRAME".
struct Change {
    std::string key;
    std::string value;
    int64_t at_frame = 0;
    int a = 0, b = 0;  // the parsed value(s)
};

bool ParseChange(const std::string &text, Change *c, std::string *error) {
    const size_t eq = text.find('=');
    const size_t at = text.rfind('@');
    int frame = 0;
    if (eq == std::string::npos || at == std::string::npos || at < eq ||
        !ParseInt(text.substr(at + 1), &frame) || frame < 0) {
        *error = "not KEY=VALUE@FRAME: " + text;
        return false;
    }
    c->key = text.substr(0, eq);
    c->value = text.substr(eq + 1, at - eq - 1);
    c->at_frame = frame;
    bool ok = false;
    if (c->key == "size")
        ok = ParseSize(c->value, &c->a, &c->b);
    else if (c->key == "profile")
        ok = (c->a = ProfileCode(c->value)) >= 0;
    else if (c->key == "rate-control")
        ok = (c->a = RateControlCode(c->value)) >= 0;
    else if (c->key == "framerate" || c->key == "bitrate" || c->key == "iframe-period")
        ok = ParseInt(c->value, &c->a) && c->a >= 0;
    else {
        *error = "unknown setting " + c->key +
                 " (size, framerate, bitrate, profile, rate-control, iframe-period)";
        return false;
    }
    if (!ok)
        *error = "not a value for " + c->key + ": " + c->value;
    return ok;
}

int Apply(const Change &c, int unit, int fd) {
    if (c.key == "size")
        return update_resolution(unit, fd, c.a, c.b);
    if (c.key == "framerate")
        return update_framerate(unit, fd, c.a);
    if (c.key == "bitrate")
        return update_bitrate(unit, fd, c.a);
    if (c.key == "profile")
        return update_profile(unit, fd, c.a);
    if (c.key == "rate-control")
        return update_rate_control_mode(unit, fd, c.a);
    return update_iframe_period(unit, fd, c.a);
}

struct CaptureOptions {
    std::string node = "/dev/video0";
    std::string output;
    int64_t frames = 0;
    double seconds = 0;
    OpenSettings settings;
    std::vector<std::string> changes;
    std::vector<int64_t> iframes_at;
    bool progress = false;
    bool no_progress = false;
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

// Consecutive reads that gave no frame before the capture gives up: a read waits up to 1 s.
constexpr int kMaxTimeouts = 3;
constexpr int kMaxEmptyReads = 100;

int Capture(const CaptureOptions &o) {
    std::vector<Change> changes;
    for (const std::string &text : o.changes) {
        Change c;
        std::string error;
        if (!ParseChange(text, &c, &error))
            return Fail(kUsage, error);
        changes.push_back(c);
    }
    const bool to_stdout = o.output == "-";
    FILE *summary = to_stdout ? stderr : stdout;
    const double seconds = o.frames == 0 && o.seconds == 0 ? 5.0 : o.seconds;
    const bool show_progress = !o.no_progress && (o.progress || isatty(STDERR_FILENO));

    const int unit = ChooseUnit(o.settings.unit, o.node);
    OpenCamera camera(o.node, o.settings, unit);
    if (camera.fd() < 0)
        return Fail(kNotFound, "cannot open " + o.node +
                                   " (missing, busy, another maker's camera, or no permission)");
    OutputFile out;
    out.file = to_stdout ? stdout : std::fopen(o.output.c_str(), "wb");
    if (!out.file)
        return Fail(kFailed, "cannot create " + o.output + ": " + std::strerror(errno));
    if (!camera.StartCapture())
        return Fail(kFailed, "cannot start streaming from " + o.node);

    CatchInterrupts();
    CaptureCount count;
    int result = kOk;
    int timeouts = 0, empty = 0;
    const Clock::time_point start = Clock::now();
    double last_progress = -1;
    while (!interrupted && (o.frames == 0 || count.frames < o.frames) &&
           (seconds == 0 || Since(start) < seconds)) {
        unsigned char *data = nullptr;
        const int n = read_h264_data(camera.fd(), &data);
        if (n <= 0 || !data) {
            if ((n < 0 && ++timeouts >= kMaxTimeouts) || ++empty >= kMaxEmptyReads) {
                result = Fail(kFailed, "no frame from " + o.node + "; the capture stops");
                break;
            }
            continue;
        }
        timeouts = empty = 0;
        if (std::fwrite(data, 1, static_cast<size_t>(n), out.file) != static_cast<size_t>(n)) {
            result = Fail(kFailed, "cannot write " + o.output + ": " + std::strerror(errno));
            break;
        }
        ++count.frames;
        count.bytes += n;
        count.seconds = Since(start);
        for (const Change &c : changes)
            if (c.at_frame == count.frames && Apply(c, unit, camera.fd()) != 0)
                result = Fail(kFailed, "the camera refused " + c.key + "=" + c.value);
        for (int64_t at : o.iframes_at)
            if (at == count.frames && send_uvc_command(unit, camera.fd(), 0) != 0)
                result = Fail(kFailed, "the camera refused the I-frame request");
        if (show_progress && count.seconds - last_progress >= 0.25) {
            last_progress = count.seconds;
            std::fprintf(stderr, "\r%s ", ProgressLine(count).c_str());
        }
    }
    count.seconds = Since(start);
    if (show_progress)
        std::fprintf(stderr, "\r%s \n", ProgressLine(count).c_str());
    if (std::fflush(out.file) != 0 && result == kOk)
        result = Fail(kFailed, "cannot write " + o.output + ": " + std::strerror(errno));
    std::fprintf(summary, "%s\n",
                 SummaryLine(count, to_stdout ? "standard output" : o.output).c_str());
    if (count.frames == 0 && result == kOk)
        result = Fail(kFailed, "no frame was captured");
    return result;
}

}  // namespace

void AddCaptureCommand(CLI::App &app, Action *action) {
    auto o = std::make_shared<CaptureOptions>();
    CLI::App *cmd = app.add_subcommand(
        "capture", "Capture H.264 from a camera to a file (5 seconds unless told otherwise)");
    cmd->add_option("-d,--device", o->node, "Video node")->capture_default_str();
    cmd->add_option("-o,--output", o->output, "H.264 elementary stream file; - for stdout")
        ->required();
    cmd->add_option("--frames", o->frames, "Stop after this many frames")
        ->check(CLI::PositiveNumber);
    cmd->add_option("--seconds", o->seconds, "Stop after this many seconds")
        ->check(CLI::PositiveNumber);
    AddOpenOptions(cmd, &o->settings);
    cmd->add_option("--change", o->changes,
                    "Change an encoder setting after a frame: KEY=VALUE@FRAME, KEY one of size, "
                    "framerate, bitrate, profile, rate-control, iframe-period");
    cmd->add_option("--iframe-at", o->iframes_at, "Request an I-frame after this frame")
        ->check(CLI::PositiveNumber);
    auto *progress = cmd->add_flag("--progress", o->progress,
                                   "Show the live progress line (default: when stderr is a tty)");
    cmd->add_flag("--no-progress", o->no_progress, "Never show it")->excludes(progress);
    cmd->callback([action, o] { *action = [=] { return Capture(*o); }; });
}

}  // namespace orvcli
