// The console's HTTP server: the page and its files, the live frames (/video), the statistics
// and the camera's state (/events, server-sent events), the controls (/api/control) and the
// table of encoder settings (/api/settings).
//
// Bound to loopback it answers only requests addressed to loopback (a Host header of
// 127.0.0.1, localhost or [::1]), which a page of another site cannot make through DNS
// tricks. With a token it answers only requests that carry it: in the query (?token=), in the
// X-Orv-Token header or in the cookie the page's first load sets. Either way a request with an
// Origin other than the console's own is refused, so other sites cannot drive the camera.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace orvcli {

class CaptureLoop;
class FrameHub;
class StreamStats;

struct ServerOptions {
    std::string listen = "127.0.0.1";
    int port = 8090;
    std::string token;  // "" when none is required
    // A line on the network serving of the same capture (serve --console), shown under the
    // camera's state; none when empty.
    std::function<std::string()> network;
};

class ConsoleServer {
  public:
    ConsoleServer(const ServerOptions &options, CaptureLoop *loop, FrameHub *hub,
                  StreamStats *stats);
    ~ConsoleServer();
    ConsoleServer(const ConsoleServer &) = delete;
    ConsoleServer &operator=(const ConsoleServer &) = delete;

    // Binds the address; the port bound (a free one when 0 was asked), or -1.
    int Bind();
    // Serves on a thread of its own until Stop.
    void Start();
    void Stop();

  private:
    void Routes();
    bool Allowed(const std::string &host, const std::string &origin,
                 const std::string &token) const;

    ServerOptions options_;
    CaptureLoop *loop_;
    FrameHub *hub_;
    StreamStats *stats_;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    int port_ = -1;
};

}  // namespace orvcli
