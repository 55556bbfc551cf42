#include "console_server.h"

#include <httplib.h>

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
// behind, and the viewers served at once.
constexpr size_t kViewerQueue = 15;
constexpr size_t kMaxViewers = 8;
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

std::string CookieToken(const std::string &cookies) {
    const std::string name = "orv_token=";
    size_t at = cookies.find(name);
    while (at != std::string::npos && at > 0 && cookies[at - 1] != ' ' && cookies[at - 1] != ';')
        at = cookies.find(name, at + 1);
    if (at == std::string::npos)
        return "";
    const size_t begin = at + name.size();
    return cookies.substr(begin, cookies.find(';', begin) - begin);
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
    server_->new_task_queue = [] { return new httplib::ThreadPool(kMaxViewers * 2 + 4); };
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

bool ConsoleServer::Allowed(const std::string &host, const std::string &origin,
                            const std::string &token) const {
    if (!origin.empty() && origin != "http://" + host)
        return false;
    if (!options_.token.empty())
        return SameSecret(token, options_.token);
    const std::string port = ":" + std::to_string(port_);
    return host == "127.0.0.1" + port || host == "localhost" + port || host == "[::1]" + port;
}

void ConsoleServer::Routes() {
    server_->set_pre_routing_handler([this](const httplib::Request &req, httplib::Response &res) {
        std::string token = req.get_param_value("token");
        if (token.empty())
            token = req.get_header_value("X-Orv-Token");
        if (token.empty())
            token = CookieToken(req.get_header_value("Cookie"));
        if (Allowed(req.get_header_value("Host"), req.get_header_value("Origin"), token))
            return httplib::Server::HandlerResponse::Unhandled;
        res.status = 403;
        res.set_content(options_.token.empty() ? "forbidden: not a loopback request\n"
                                               : "forbidden: the console's token is missing\n",
                        "text/plain");
        return httplib::Server::HandlerResponse::Handled;
    });

    server_->Get(R"(/|/index\.html|/console\.(js|css)|/vendor/uPlot\.(iife\.min\.js|min\.css))",
                 [this](const httplib::Request &req, httplib::Response &res) {
                     const std::string path = req.path == "/" ? "/index.html" : req.path;
                     const Asset *asset = FindAsset(path);
                     if (!asset) {
                         res.status = 404;
                         return;
                     }
                     Secure(res);
                     if (req.has_param("token") && !options_.token.empty())
                         res.set_header("Set-Cookie", "orv_token=" + options_.token +
                                                          "; HttpOnly; SameSite=Strict; Path=/");
                     res.set_content(reinterpret_cast<const char *>(asset->data), asset->size,
                                     TypeOf(path));
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
        Secure(res);
        auto last = std::make_shared<uint64_t>(0);
        res.set_chunked_content_provider(
            "text/event-stream", [this, last](size_t offset, httplib::DataSink &sink) {
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
            });
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
            std::fprintf(stderr, "orv-camera: console: refused a message: %s\n", why.c_str());
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
