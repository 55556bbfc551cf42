#include "console_server.h"

#include <httplib.h>

#include <sys/socket.h>

#include <cstdio>
#include <cstring>

#include <nlohmann/json.hpp>

#include "capture_loop.h"
#include "console_json.h"
#include "console_assets.h"
#include "control_request.h"
#include "frame_hub.h"
#include "stream_stats.h"

namespace orvcli {
namespace {

using Json = nlohmann::json;

// Frames that may wait for one viewer (about half a second at 30 fps) before it counts as
// behind, and the viewers and event streams served at once. Each holds a thread of the pool
// for as long as it is open: the spare threads keep the page and the controls answered when
// both kinds are at their limit.
constexpr size_t kViewerQueue = 15;
constexpr size_t kMaxViewers = 8;
constexpr size_t kMaxEventStreams = 8;
constexpr size_t kSpareThreads = 4;
constexpr auto kEventEvery = std::chrono::milliseconds(250);
// Records sent with a page's first event: the strip's length.
constexpr size_t kFirstRecords = 150;

const char *TypeOf(const std::string &path) {
    auto ends = [&path](const char *s) {
        const size_t n = std::strlen(s);
        return path.size() >= n && path.compare(path.size() - n, n, s) == 0;
    };
    if (ends(".html"))
        return "text/html; charset=utf-8";
    if (ends(".js"))
        return "text/javascript; charset=utf-8";
    if (ends(".css"))
        return "text/css; charset=utf-8";
    if (ends(".svg"))
        return "image/svg+xml";
    return "application/octet-stream";
}

// Equal texts, in a time that does not depend on where they differ.
bool SameSecret(const std::string &a, const std::string &b) {
    if (a.size() != b.size())
        return false;
    unsigned char diff = 0;
    for (size_t i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

// `text` for the operator's terminal: control characters (C0, DEL and, in UTF-8, C1) as \xHH,
// so that a request cannot move the cursor, recolour or forge lines.
std::string Printable(const std::string &text) {
    std::string out;
    char hex[5];
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (c == 0xc2 && next >= 0x80 && next <= 0x9f) {
            std::snprintf(hex, sizeof hex, "\\x%02x", next);
            out += hex;
            ++i;
        } else if (c < 0x20 || c == 0x7f || c == '\\') {
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// A peer on this machine: 127.0.0.0/8 or ::1, also as an IPv4-mapped IPv6 address.
bool LoopbackPeer(const std::string &address) {
    const std::string mapped = "::ffff:";
    const std::string v4 = address.rfind(mapped, 0) == 0 ? address.substr(mapped.size()) : address;
    return v4.rfind("127.", 0) == 0 || address == "::1";
}

// A Host header naming loopback: 127.0.0.1, localhost or [::1], with the console's port, or with
// any port for a peer on this machine (an SSH tunnel forwards another port to the console's).
bool LoopbackHost(const std::string &host, int port, bool peer_loopback) {
    for (const char *name : {"127.0.0.1", "localhost", "[::1]"}) {
        const size_t n = std::strlen(name);
        if (host.compare(0, n, name) != 0)
            continue;
        const std::string rest = host.substr(n);
        if (rest == ":" + std::to_string(port))
            return true;
        const bool digits = rest.size() > 1 && rest[0] == ':' &&
                            rest.find_first_not_of("0123456789", 1) == std::string::npos;
        return peer_loopback && (rest.empty() || digits);
    }
    return false;
}

// A request the browser says another site made, other than a link followed to the page (which
// only opens it): no other site's page may read the picture, the events or send controls.
bool CrossSite(const httplib::Request &req) {
    return req.get_header_value("Sec-Fetch-Site") == "cross-site" &&
           !(req.method == "GET" && req.get_header_value("Sec-Fetch-Mode") == "navigate" &&
             req.get_header_value("Sec-Fetch-Dest") == "document");
}

// The page's own files, the same for everyone: served without the token (a browser fetches
// them without headers), though still only to requests the other checks let through.
bool PublicFile(const std::string &path) {
    return path != "/" && path != "/index.html" && FindAsset(path) != nullptr;
}

// The 16-byte header of each frame on /video (little-endian): size, flags (bit 0: IDR), the
// frame's sequence number, the frames this viewer lost so far.
std::string FrameHeader(const Frame &f, uint64_t dropped) {
    const uint32_t fields[4] = {static_cast<uint32_t>(f.bytes.size()), f.idr ? 1u : 0u,
                                static_cast<uint32_t>(f.seq), static_cast<uint32_t>(dropped)};
    std::string header(16, '\0');
    for (int i = 0; i < 4; ++i)
        for (int b = 0; b < 4; ++b)
            header[static_cast<size_t>(i * 4 + b)] =
                static_cast<char>((fields[i] >> (8 * b)) & 0xff);
    return header;
}

void Secure(httplib::Response &res) {
    res.set_header("Cache-Control", "no-store");
    res.set_header("X-Content-Type-Options", "nosniff");
    res.set_header("Content-Security-Policy",
                   "default-src 'self'; style-src 'self' 'unsafe-inline'; frame-ancestors 'none'");
}

}  // namespace

ConsoleServer::ConsoleServer(const ServerOptions &options, CaptureLoop *loop, FrameHub *hub,
                             StreamStats *stats)
    : options_(options), loop_(loop), hub_(hub), stats_(stats), server_(new httplib::Server) {
    server_->new_task_queue = [] {
        return new httplib::ThreadPool(kMaxViewers + kMaxEventStreams + kSpareThreads);
    };
    // Without SO_REUSEPORT (cpp-httplib's default): a port another console holds is busy, rather
    // than shared between the two.
    server_->set_socket_options([](int sock) {
        const int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    server_->set_keep_alive_timeout(1);
    server_->set_payload_max_length(64 * 1024);
    Routes();
}

ConsoleServer::~ConsoleServer() {
    Stop();
}

int ConsoleServer::Bind() {
    port_ = options_.port == 0
                ? server_->bind_to_any_port(options_.listen)
                : (server_->bind_to_port(options_.listen, options_.port) ? options_.port : -1);
    return port_;
}

void ConsoleServer::Start() {
    thread_ = std::thread([this] { server_->listen_after_bind(); });
}

void ConsoleServer::Stop() {
    stopping_ = true;
    hub_->Close();
    server_->stop();
    if (thread_.joinable())
        thread_.join();
}

std::string ConsoleServer::Refusal(const httplib::Request &req) const {
    const std::string host = req.get_header_value("Host");
    const std::string origin = req.get_header_value("Origin");
    if ((!origin.empty() && origin != "http://" + host) || CrossSite(req))
        return "forbidden: a request from another site\n";
    if (options_.token.empty())
        return LoopbackHost(host, port_, LoopbackPeer(req.remote_addr))
                   ? ""
                   : "forbidden: not a loopback request\n";
    if (PublicFile(req.path))
        return "";
    std::string token = req.get_param_value("token");
    if (token.empty())
        token = req.get_header_value("X-Orv-Token");
    return SameSecret(token, options_.token) ? "" : "forbidden: the console's token is missing\n";
}

void ConsoleServer::Routes() {
    server_->set_pre_routing_handler([this](const httplib::Request &req, httplib::Response &res) {
        const std::string refusal = Refusal(req);
        if (refusal.empty())
            return httplib::Server::HandlerResponse::Unhandled;
        res.status = 403;
        res.set_content(refusal, "text/plain");
        return httplib::Server::HandlerResponse::Handled;
    });

    server_->Get(
        R"(/|/index\.html|/console\.(js|css)|/favicon\.svg|/vendor/uPlot\.(iife\.min\.js|min\.css))",
        [this](const httplib::Request &req, httplib::Response &res) {
            const std::string path = req.path == "/" ? "/index.html" : req.path;
            const Asset *asset = FindAsset(path);
            if (!asset) {
                res.status = 404;
                return;
            }
            Secure(res);
            res.set_content(reinterpret_cast<const char *>(asset->data), asset->size, TypeOf(path));
        });

    server_->Get("/video", [this](const httplib::Request &, httplib::Response &res) {
        if (hub_->viewers() >= kMaxViewers) {
            res.status = 503;
            res.set_content("too many viewers\n", "text/plain");
            return;
        }
        auto viewer = hub_->Join(kViewerQueue);
        Secure(res);
        res.set_chunked_content_provider(
            "application/octet-stream",
            [this, viewer](size_t, httplib::DataSink &sink) {
                const FramePtr f = viewer->Pop(std::chrono::milliseconds(500));
                if (stopping_)
                    return false;
                if (!f)
                    return sink.is_writable();
                const std::string header = FrameHeader(*f, viewer->dropped());
                return sink.write(header.data(), header.size()) &&
                       sink.write(reinterpret_cast<const char *>(f->bytes.data()), f->bytes.size());
            },
            [this, viewer](bool) { hub_->Leave(viewer); });
    });

    server_->Get("/events", [this](const httplib::Request &, httplib::Response &res) {
        if (event_streams_.fetch_add(1) >= kMaxEventStreams) {
            --event_streams_;
            res.status = 503;
            res.set_content("too many event streams\n", "text/plain");
            return;
        }
        Secure(res);
        auto last = std::make_shared<uint64_t>(0);
        res.set_chunked_content_provider(
            "text/event-stream",
            [this, last](size_t offset, httplib::DataSink &sink) {
                if (offset > 0)
                    std::this_thread::sleep_for(kEventEvery);
                if (stopping_)
                    return false;
                StatsSnapshot s = stats_->Snapshot(*last, SteadyMicros());
                if (*last == 0 && s.frames.size() > kFirstRecords)
                    s.frames.erase(s.frames.begin(),
                                   s.frames.end() - static_cast<long>(kFirstRecords));
                *last = s.last_seq;
                Json frames = Json::array();
                for (const FrameRecord &r : s.frames)
                    frames.push_back({r.seq, r.size, r.idr ? 1 : 0});
                const Json event = {{"frames", frames},
                                    {"fps", s.fps},
                                    {"bps", s.bits_per_second},
                                    {"gop_bps", s.gop_bits_per_second},
                                    {"gop_frames", s.gop_frames},
                                    {"total_frames", s.total_frames},
                                    {"total_bytes", s.total_bytes},
                                    {"viewers", hub_->viewers()},
                                    {"network", options_.network ? options_.network() : ""},
                                    {"camera", StatusJson(loop_->Status())}};
                const std::string text = "data: " + event.dump() + "\n\n";
                return sink.write(text.data(), text.size());
            },
            [this](bool) { --event_streams_; });
    });

    server_->Post("/api/control", [this](const httplib::Request &req, httplib::Response &res) {
        Secure(res);
        ControlRequest request;
        std::string why;
        if (req.get_header_value("Content-Type").rfind("application/json", 0) != 0)
            why = "the message must be sent as application/json";
        else
            why = ParseControlRequest(req.body, &request);
        if (!why.empty()) {
            std::fprintf(stderr, "orv-camera: console: refused a message: %s\n",
                         Printable(why).c_str());
            res.status = 400;
            res.set_content(Json({{"ok", false}, {"error", why}}).dump(), "application/json");
            return;
        }
        res.set_content(ReplyJson(loop_->Call(request), request).dump(), "application/json");
    });

    // The encoder settings the page shows and sets, with the values in force.
    server_->Get("/api/settings", [this](const httplib::Request &, httplib::Response &res) {
        Secure(res);
        res.set_content(SettingsJson(loop_->Status().settings).dump(), "application/json");
    });
}

}  // namespace orvcli
