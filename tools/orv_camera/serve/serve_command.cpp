// serve: the camera as an RTSP camera. The console's capture loop owns the camera (reads,
// reopening after it went away) and hands every frame to the RTSP server as one of its sinks;
// an unplugged camera pauses the stream, and clients of the same URL get it again once it is
// back. With --console the browser console runs in the same process, on the same capture.
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "capture_loop.h"
#include "cli_app.h"
#include "cli_common.h"
#include "commands.h"
#include "console_server.h"
#include "credentials.h"
#include "frame_hub.h"
#include "h264_unit.h"
#include "open_camera.h"
#include "progress_flags.h"
#include "rtsp_server.h"
#include "rtsp_sink.h"
#include "stream_stats.h"

namespace orvcli {
namespace {

struct ServeCommandOptions {
    LoopOptions loop;
    ServeOptions serve;
    std::string listen;
    std::string credentials_file;
    bool console = false;
    ServerOptions console_server;
    orvtool::ProgressFlags progress;
};

// The status line's pace, and how soon Ctrl-C is seen.
constexpr auto kStatusEvery = std::chrono::milliseconds(1000);
constexpr auto kInterruptCheck = std::chrono::milliseconds(100);

std::string StatusLine(const ServeStats &s) {
    char line[160];
    std::snprintf(line, sizeof line, "clients %zu  %.1f kbit/s  frames %llu  dropped %llu",
                  s.clients, s.bits_per_second / 1000, static_cast<unsigned long long>(s.frames_in),
                  static_cast<unsigned long long>(s.frames_dropped));
    return line;
}

// "" when the options hold together, else why not (the credentials loaded into o->serve).
std::string Check(ServeCommandOptions *o) {
    if (o->serve.port > 65535 || o->console_server.port > 65535)
        return "--port and --console-port must be at most 65535";
    if (o->serve.path.empty() || o->serve.path[0] != '/')
        return "--path must start with /, not '" + o->serve.path + "'";
    std::string why, warning;
    if (!LoadCredentials(o->credentials_file, &o->serve.credentials, &why, &warning))
        return why;
    if (!warning.empty())
        std::fprintf(stderr, "orv-camera: warning: %s\n", warning.c_str());
    // An address other than loopback is reachable by others: never without credentials.
    if (!o->listen.empty()) {
        if (o->serve.credentials.empty())
            return std::string("--listen needs credentials: --credentials FILE or ") +
                   kCredentialsVariable + "=USER:PASSWORD in the environment";
        o->serve.address = o->listen;
    }
    return "";
}

int Serve(ServeCommandOptions o) {
    const std::string wrong = Check(&o);
    if (!wrong.empty())
        return Fail(kUsage, wrong);
    signal(SIGPIPE, SIG_IGN);

    o.loop.settings.unit = ChooseUnit(o.loop.settings.unit_choice, o.loop.node);
    FrameHub hub;
    StreamStats stats;
    CaptureLoop loop(o.loop, &hub, &stats);
    if (!loop.Open())
        return CannotOpen(o.loop.node);
    loop.Report(stdout);
    RtspServer server(o.serve);
    std::string why;
    if (server.Start(&why) < 0)
        return Fail(kFailed, why);
    RtspSink sink(&server);
    loop.AddSink(&sink);
    std::unique_ptr<ConsoleServer> console;
    int console_port = -1;
    if (o.console) {
        o.console_server.network = [&server] {
            return "RTSP " + server.Url() + ": " + StatusLine(server.Stats());
        };
        console = std::make_unique<ConsoleServer>(o.console_server, &loop, &hub, &stats);
        if ((console_port = console->Bind()) < 0)
            return Fail(kFailed, "cannot listen on 127.0.0.1 port " +
                                     std::to_string(o.console_server.port) + " (in use)");
    }

    CatchInterrupts();
    loop.Start();
    if (console)
        console->Start();
    std::printf("serving %s%s\n", server.Url().c_str(),
                o.serve.credentials.empty() ? "" : " (digest authentication)");
    if (console)
        std::printf("console at http://127.0.0.1:%d/\n", console_port);
    std::fflush(stdout);
    const bool show_status = o.progress.Show();
    while (!Interrupted()) {
        if (show_status)
            std::fprintf(stderr, "\r%s ", StatusLine(server.Stats()).c_str());
        for (auto slept = kInterruptCheck * 0; slept < kStatusEvery && !Interrupted();
             slept += kInterruptCheck)
            std::this_thread::sleep_for(kInterruptCheck);
    }
    if (console)
        console->Stop();
    loop.Stop();
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
    AddNodeOption(cmd, &o->loop.node);
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
        .Flag("--console", &o->console,
              "Run the browser console too, on 127.0.0.1, on the same capture")
        .Int("--console-port", &o->console_server.port, "The console's TCP port", 0)
        .ShowDefault(std::to_string(o->console_server.port));
    AddOpenOptions(cmd, &o->loop.settings);
    orvtool::AddProgressFlags(cmd, &o->progress, "clients and bit rate");
    cmd.Runs([o] { return Serve(*o); });
}

}  // namespace orvcli
