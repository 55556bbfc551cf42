// The console's HTTP server: the page and its files, the live frames (/video), the statistics
// and the camera's state (/events, server-sent events), the controls (/api/control) and the
// table of encoder settings (/api/settings).
//
// Bound to loopback it answers only requests addressed to loopback (a Host header of
// 127.0.0.1, localhost or [::1]; any port when the peer is on this machine, as through an SSH
// tunnel), which a page of another site cannot make through DNS tricks. With a token it answers
// only requests that carry it, in the X-Orv-Token header or in the query (?token=, for the
// page's address and its EventSource); the page's static files need none. No cookie: a browser
// sends cookies to every port of a host. Either way a request with an Origin other than the
// console's own, or that the browser marks Sec-Fetch-Site: cross-site, is refused, so other
// sites cannot drive the camera.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace httplib {
class Server;
struct Request;
}  // namespace httplib

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
    // "" when `req` may be answered, else the 403's text.
    std::string Refusal(const httplib::Request &req) const;

    ServerOptions options_;
    CaptureLoop *loop_;
    FrameHub *hub_;
    StreamStats *stats_;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<size_t> event_streams_{0};
    int port_ = -1;
};

}  // namespace orvcli
