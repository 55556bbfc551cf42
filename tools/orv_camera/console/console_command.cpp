// console: the camera in a browser. Opens the camera with the library, serves the page and
// streams to it until Ctrl-C.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <thread>

#include "capture_loop.h"
#include "cli_app.h"
#include "cli_common.h"
#include "commands.h"
#include "console_server.h"
#include "frame_hub.h"
#include "h264_unit.h"
#include "open_camera.h"
#include "stream_stats.h"

namespace orvcli {
namespace {

struct ConsoleOptions {
    LoopOptions session;
    ServerOptions server;
    bool listen_given = false;
};

// 128 random bits in hexadecimal.
std::string NewToken() {
    std::random_device random;
    std::string token;
    char hex[9];
    for (int i = 0; i < 4; ++i) {
        std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(random()));
        token += hex;
    }
    return token;
}

int Console(ConsoleOptions o) {
    if (o.server.port > 65535)
        return Fail(kUsage, "--port must be at most 65535");
    // Any address but the default needs the token: --listen says the console is meant to be
    // reached from elsewhere.
    if (o.listen_given)
        o.server.token = NewToken();
    signal(SIGPIPE, SIG_IGN);

    o.session.settings.unit = ChooseUnit(o.session.settings.unit_choice, o.session.node);
    FrameHub hub;
    StreamStats stats;
    CaptureLoop session(o.session, &hub, &stats);
    if (!session.Open())
        return CannotOpen(o.session.node);
    session.Report(stdout);
    ConsoleServer server(o.server, &session, &hub, &stats);
    const int port = server.Bind();
    if (port < 0)
        return Fail(kFailed, "cannot listen on " + o.server.listen + " port " +
                                 std::to_string(o.server.port) +
                                 " (in use, or not an address of this machine)");

    CatchInterrupts();

    session.Start();
    server.Start();
    const std::string host = o.server.listen.find(':') != std::string::npos
                                 ? "[" + o.server.listen + "]"
                                 : o.server.listen;
    std::printf("console of %s at http://%s:%d/%s (Ctrl-C stops)\n", o.session.node.c_str(),
                host.c_str(), port,
                o.server.token.empty() ? "" : ("?token=" + o.server.token).c_str());
    std::fflush(stdout);
    while (!Interrupted())
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    server.Stop();
    session.Stop();
    std::printf("console stopped\n");
    return kOk;
}

}  // namespace

void AddConsoleCommand(Cli &cli) {
    auto o = std::make_shared<ConsoleOptions>();
    Command cmd = cli.Add("console",
                          "Serve a console in the browser: the live picture, encoder, PTZ and "
                          "OSD controls, stream statistics and recording (Ctrl-C stops)");
    AddNodeOption(cmd, &o->session.node);
    cmd.Int("--port", &o->server.port, "TCP port (0: any free one, printed on start)", 0)
        .ShowDefault(std::to_string(o->server.port))
        .Text("--listen", &o->server.listen,
              "Address to listen on instead of 127.0.0.1; every request must then carry the "
              "token printed on start",
              [o](const std::string &) {
                  o->listen_given = true;
                  return std::string();
              })
        .Text("--record-dir", &o->session.record_dir, "Folder the record button writes to")
        .ShowDefault(o->session.record_dir);
    AddOpenOptions(cmd, &o->session.settings);
    cmd.Runs([o] { return Console(*o); });
}

}  // namespace orvcli
