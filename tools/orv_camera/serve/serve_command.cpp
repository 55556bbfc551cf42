// serve: the camera as an RTSP camera. One capture feeds every client; the camera is reopened
// with the same settings when it comes back after going away, and clients keep the same URL.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "camera_device.h"
#include "camera_discovery.h"
#include "cli_app.h"
#include "cli_common.h"
#include "commands.h"
#include "credentials.h"
#include "h264_unit.h"
#include "media/nal_units.h"
#include "open_camera.h"
#include "rtsp_server.h"

namespace orvcli {
namespace {

struct ServeCommandOptions {
    std::string node = "/dev/video0";
    OpenSettings settings;
    ServeOptions serve;
    std::string listen;
    std::string credentials_file;
    bool progress = false;
};

// Reads in a row that gave no frame before the camera counts as gone (each waits up to a
// second); one that went away says so at once (ENODEV).
constexpr int kMaxFailures = 3;
constexpr int kMaxEmpty = 100;
constexpr auto kReopenEvery = std::chrono::seconds(1);
// The status line's pace.
constexpr int64_t kStatusEveryUs = 1000000;

std::string StatusLine(const ServeStats &s) {
    char line[160];
    std::snprintf(line, sizeof line, "clients %zu  %.1f kbit/s  frames %llu  dropped %llu",
                  s.clients, s.bits_per_second / 1000, static_cast<unsigned long long>(s.frames_in),
                  static_cast<unsigned long long>(s.frames_dropped));
    return line;
}

// The capture until Ctrl-C: every frame to the server, an I-frame request when a client
// waits for one.
int Serve(ServeCommandOptions o) {
    if (o.serve.port > 65535)
        return Fail(kUsage, "--port must be at most 65535");
    if (o.serve.path.empty() || o.serve.path[0] != '/')
        return Fail(kUsage, "--path must start with /, not '" + o.serve.path + "'");
    std::string why, warning;
    if (!LoadCredentials(o.credentials_file, &o.serve.credentials, &why, &warning))
        return Fail(kUsage, why);
    if (!warning.empty())
        std::fprintf(stderr, "orv-camera: warning: %s\n", warning.c_str());
    // An address other than loopback is reachable by others: never without credentials.
    if (!o.listen.empty()) {
        if (o.serve.credentials.empty())
            return Fail(kUsage, std::string("--listen needs credentials: --credentials FILE or ") +
                                    kCredentialsVariable + "=USER:PASSWORD in the environment");
        o.serve.address = o.listen;
    }
    signal(SIGPIPE, SIG_IGN);

    o.settings.unit = ChooseUnit(o.settings.unit_choice, o.node);
    auto camera = std::make_unique<OpenCamera>(o.node, o.settings);
    if (camera->fd() < 0)
        return CannotOpen(o.node);
    ReportSettings(stdout, o.node + ": ", camera->fd(), o.settings);
    if (!camera->StartCapture())
        return Fail(kFailed, "cannot start streaming from " + o.node);

    RtspServer server(o.serve);
    if (server.Start(&why) < 0)
        return Fail(kFailed, why);
    std::printf("serving %s%s\n", server.Url().c_str(),
                o.serve.credentials.empty() ? "" : " (digest authentication)");
    std::fflush(stdout);

    CatchInterrupts();
    const bool show_status = o.progress || isatty(STDERR_FILENO);
    int failures = 0;
    int64_t last_status = 0;
    while (!Interrupted()) {
        const int64_t now = ServeClockMicros();
        if (show_status && now - last_status >= kStatusEveryUs) {
            last_status = now;
            std::fprintf(stderr, "\r%s ", StatusLine(server.Stats()).c_str());
        }
        if (!camera) {
            std::this_thread::sleep_for(kReopenEvery);
            camera = std::make_unique<OpenCamera>(o.node, o.settings);
            if (camera->fd() < 0 || !camera->StartCapture()) {
                camera.reset();
                continue;
            }
            failures = 0;
            std::fprintf(stderr, "orv-camera: %s is back; serving again\n", o.node.c_str());
            continue;
        }
        unsigned char *data = nullptr;
        const int n = read_h264_data(camera->fd(), &data);
        if (n <= 0 || !data) {
            if ((n < 0 && errno == ENODEV) ||
                (n < 0 ? ++failures >= kMaxFailures : ++failures >= kMaxEmpty)) {
                camera.reset();
                std::fprintf(stderr, "orv-camera: camera gone: waiting for %s to come back\n",
                             o.node.c_str());
            }
            continue;
        }
        failures = 0;
        const bool idr = IsIdrFrame(data, static_cast<size_t>(n));
        server.Push(data, static_cast<size_t>(n), ServeClockMicros(), idr);
        if (server.TakeIdrRequest(ServeClockMicros()) && !idr)
            send_uvc_command(o.settings.unit, camera->fd(), 0);
    }
    if (show_status)
        std::fprintf(stderr, "\r%s \n", StatusLine(server.Stats()).c_str());
    return kOk;
}

}  // namespace

void AddServeCommand(Cli &cli) {
    auto o = std::make_shared<ServeCommandOptions>();
    Command cmd = cli.Add("serve",
                          "Serve the camera over RTSP (loopback only unless --listen) until "
                          "Ctrl-C; every client gets the camera's own H.264");
    cmd.Text("-d,--device", &o->node, "Video node").ShowDefault(o->node);
    AddOpenOptions(cmd, &o->settings);
    cmd.Int("--port", &o->serve.port, "RTSP port (0: any free one, said on start)", 0)
        .ShowDefault(std::to_string(o->serve.port))
        .Text("--path", &o->serve.path, "The stream's path in the URL")
        .ShowDefault(o->serve.path)
        .Text("--listen", &o->listen,
              "Listen on this address instead of 127.0.0.1 (0.0.0.0: every interface); needs "
              "credentials")
        .Text("--credentials", &o->credentials_file,
              std::string("File whose first line is USER:PASSWORD for RTSP digest "
                          "authentication (else the environment variable ") +
                  kCredentialsVariable + ")")
        .Flag("--progress", &o->progress,
              "Show the status line (clients, bit rate) even when stderr is not a tty")
        .Runs([o] { return Serve(*o); });
}

}  // namespace orvcli
