// console: the camera in a browser. Opens the camera with the library, serves the page and
// streams to it until Ctrl-C.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

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

// "" when `text` is an IPv4 or IPv6 address, else why --listen refuses it.
std::string CheckListen(const std::string &text) {
    unsigned char address[sizeof(in6_addr)];
    if (inet_pton(AF_INET, text.c_str(), address) == 1 ||
        inet_pton(AF_INET6, text.c_str(), address) == 1)
        return "";
    return "--listen takes an IPv4 or IPv6 address of this machine, not '" + text + "'";
}

// The address as a browser writes it in a URL.
std::string UrlHost(const std::string &address) {
    return address.find(':') != std::string::npos ? "[" + address + "]" : address;
}

// The addresses a browser can reach a console listening on `listen` at: `listen` itself, or for
// a wildcard (0.0.0.0, ::) the host's interface addresses, loopback last. IPv6 link-local
// addresses need a zone a URL cannot carry and are left out; a socket on :: takes IPv4 too.
std::vector<std::string> ReachableAt(const std::string &listen) {
    const bool any4 = listen == "0.0.0.0";
    const bool any6 = listen == "::" || listen == "::0";
    if (!any4 && !any6)
        return {listen};
    std::vector<std::string> outside, loopback;
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0)
        return {listen};
    for (const ifaddrs *i = list; i; i = i->ifa_next) {
        if (!i->ifa_addr || !(i->ifa_flags & IFF_UP))
            continue;
        char text[INET6_ADDRSTRLEN] = "";
        const int family = i->ifa_addr->sa_family;
        if (family == AF_INET) {
            inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in *>(i->ifa_addr)->sin_addr, text,
                      sizeof text);
        } else if (family == AF_INET6 && any6) {
            const in6_addr &a = reinterpret_cast<const sockaddr_in6 *>(i->ifa_addr)->sin6_addr;
            if (IN6_IS_ADDR_LINKLOCAL(&a))
                continue;
            inet_ntop(AF_INET6, &a, text, sizeof text);
        } else {
            continue;
        }
        (i->ifa_flags & IFF_LOOPBACK ? loopback : outside).push_back(text);
    }
    freeifaddrs(list);
    outside.insert(outside.end(), loopback.begin(), loopback.end());
    return outside.empty() ? std::vector<std::string>{listen} : outside;
}

int Console(ConsoleOptions o) {
    if (o.server.port > 65535)
        return Fail(kUsage, "--port must be at most 65535");
    // Any address but the default needs the token: --listen says the console is meant to be
    // reached from elsewhere.
    if (o.listen_given)
        o.server.token = NewToken();
    signal(SIGPIPE, SIG_IGN);

    // The port first: a busy one or a foreign address is refused before the camera is touched.
    o.session.settings.unit = ChooseUnit(o.session.settings.unit_choice, o.session.node);
    FrameHub hub;
    StreamStats stats;
    CaptureLoop session(o.session, &hub, &stats);
    ConsoleServer server(o.server, &session, &hub, &stats);
    errno = 0;
    const int port = server.Bind();
    if (port < 0)
        return Fail(kFailed, "cannot listen on " + o.server.listen + " port " +
                                 std::to_string(o.server.port) + ": " +
                                 (errno != 0 ? std::strerror(errno)
                                             : "in use, or not an address of this machine"));
    if (!session.Open())
        return CannotOpen(o.session.node);
    session.Report(stdout);

    CatchInterrupts();

    session.Start();
    server.Start();
    const std::string query = o.server.token.empty() ? "" : "?token=" + o.server.token;
    const std::vector<std::string> addresses = ReachableAt(o.server.listen);
    for (size_t i = 0; i < addresses.size(); ++i) {
        const std::string url =
            "http://" + UrlHost(addresses[i]) + ":" + std::to_string(port) + "/" + query;
        if (i == 0)
            std::printf("console of %s at %s (Ctrl-C stops)\n", o.session.node.c_str(),
                        url.c_str());
        else
            std::printf("  also at %s\n", url.c_str());
    }
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
              [o](const std::string &text) {
                  o->listen_given = true;
                  return CheckListen(text);
              })
        .Text("--record-dir", &o->session.record_dir, "Folder the record button writes to")
        .ShowDefault(o->session.record_dir);
    AddOpenOptions(cmd, &o->session.settings);
    cmd.Runs([o] { return Console(*o); });
}

}  // namespace orvcli
