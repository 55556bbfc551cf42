#include "rtsp_server.h"

#include <gst/app/gstappsrc.h>
#include <gst/gst.h>
#include <gst/rtsp-server/rtsp-server.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "media/feed_gate.h"

namespace orvcli {
namespace {

// Each client's pipeline: the camera's access units as they come, their SPS and PPS repeated
// before every IDR frame (a client joining late needs them in band), then RTP.
constexpr const char *kLaunch =
    "( appsrc name=src is-live=true format=time do-timestamp=false block=false max-bytes=0 "
    "caps=video/x-h264,stream-format=byte-stream,alignment=au "
    "! h264parse config-interval=-1 ! rtph264pay name=pay0 pt=96 )";

// The role a client with the right credentials gets.
constexpr const char *kViewerRole = "viewer";

// Sessions of clients that went away without a TEARDOWN are dropped this often.
constexpr guint kSessionCleanupSeconds = 2;

// Clients are served by up to this many threads of their own: a client's DESCRIBE waits for
// its pipeline to start, which must not hold up the others.
constexpr int kClientThreads = 32;

// Requests for an IDR frame are this far apart at least.
constexpr int64_t kIdrRequestEveryUs = 1000000;

// The stream's bit rate is measured over this window.
constexpr int64_t kRateWindowUs = 1000000;

template <typename T>
struct GUnref {
    void operator()(T *p) const {
        if (p)
            g_object_unref(p);
    }
};
template <typename T>
using GPtr = std::unique_ptr<T, GUnref<T>>;

// The user name of a digest "Authorization" header, made safe to print.
std::string DigestUser(const char *header) {
    const std::string text = header ? header : "";
    const std::string key = "username=\"";
    const size_t begin = text.find(key);
    if (begin == std::string::npos)
        return "";
    const size_t from = begin + key.size();
    const size_t end = text.find('"', from);
    std::string user =
        text.substr(from, std::min<size_t>(end == std::string::npos ? 0 : end - from, 64));
    for (char &c : user)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f)
            c = '?';
    return user;
}

int64_t SteadyNowMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

// One client's pipeline input.
struct Feed {
    GstRTSPMedia *media;    // a reference
    GstRTSPStream *stream;  // the media's
    GstElement *src;        // a reference
    gulong unprepared_handler;
    FeedGate gate;
    bool held = false;       // a frame went in while the server held the stream
    bool prerolled = false;  // the last IDR frame went in at its start
    int64_t last_pts = -1;
    Feed(GstRTSPMedia *m, GstElement *s, gulong handler, size_t queue)
        : media(m),
          stream(gst_rtsp_media_get_stream(m, 0)),
          src(s),
          unprepared_handler(handler),
          gate(queue) {}
    ~Feed() {
        g_signal_handler_disconnect(media, unprepared_handler);
        gst_object_unref(src);
        g_object_unref(media);
    }
    Feed(const Feed &) = delete;
    Feed &operator=(const Feed &) = delete;
};

struct RtspServer::Impl {
    explicit Impl(const ServeOptions &o) : options(o) {}

    const ServeOptions options;
    GMainContext *context = nullptr;
    GMainLoop *loop = nullptr;
    GstRTSPServer *server = nullptr;
    std::thread thread;
    int port = -1;

    mutable std::mutex mutex;  // guards what follows
    std::vector<std::unique_ptr<Feed>> feeds;
    uint64_t dropped_by_gone = 0;  // the drops of clients that left
    uint64_t frames_in = 0, bytes_in = 0;
    int64_t window_start_us = 0;
    uint64_t window_bytes = 0;
    double bits_per_second = 0;
    bool idr_wanted = false;
    GstBuffer *last_idr = nullptr;  // a reference
    int64_t last_idr_request_us = 0;
    bool idr_requested_once = false;
    std::atomic<uint64_t> refused{0};

    static void OnMediaConfigure(GstRTSPMediaFactory *, GstRTSPMedia *media, gpointer self);
    static void OnMediaUnprepared(GstRTSPMedia *media, gpointer self);
    static void OnClientConnected(GstRTSPServer *, GstRTSPClient *client, gpointer self);
    static void OnSendMessage(GstRTSPClient *client, GstRTSPSession *, gpointer message,
                              gpointer self);
    static gboolean OnCleanup(gpointer self);
    void Publish(const uint8_t *data, size_t size, int64_t arrival_us, bool idr);
    static void PushTo(Feed *feed, GstBuffer *frame, int64_t pts, bool idr);
};

void RtspServer::Impl::OnMediaConfigure(GstRTSPMediaFactory *, GstRTSPMedia *media, gpointer self) {
    auto *impl = static_cast<Impl *>(self);
    GPtr<GstElement> element(gst_rtsp_media_get_element(media));
    GstElement *src = gst_bin_get_by_name(GST_BIN(element.get()), "src");
    if (!src || gst_rtsp_media_n_streams(media) < 1) {
        if (src)
            gst_object_unref(src);
        return;
    }
    const gulong handler =
        g_signal_connect(media, "unprepared", G_CALLBACK(&Impl::OnMediaUnprepared), impl);
    std::lock_guard<std::mutex> lock(impl->mutex);
    impl->feeds.push_back(std::make_unique<Feed>(GST_RTSP_MEDIA(g_object_ref(media)), src, handler,
                                                 impl->options.client_queue_frames));
    impl->idr_wanted = true;
}

void RtspServer::Impl::OnMediaUnprepared(GstRTSPMedia *media, gpointer self) {
    auto *impl = static_cast<Impl *>(self);
    std::unique_ptr<Feed> gone;
    std::lock_guard<std::mutex> lock(impl->mutex);
    for (auto it = impl->feeds.begin(); it != impl->feeds.end(); ++it)
        if ((*it)->media == media) {
            impl->dropped_by_gone += (*it)->gate.dropped();
            gone = std::move(*it);
            impl->feeds.erase(it);
            break;
        }
}

void RtspServer::Impl::OnClientConnected(GstRTSPServer *, GstRTSPClient *client, gpointer self) {
    g_signal_connect(client, "send-message", G_CALLBACK(&Impl::OnSendMessage), self);
}

// A 401 answer to a request that carried credentials is a refused login: said once, with the
// client's address and the user name it gave, never the rest of the header.
void RtspServer::Impl::OnSendMessage(GstRTSPClient *client, GstRTSPSession *, gpointer message,
                                     gpointer self) {
    auto *msg = static_cast<GstRTSPMessage *>(message);
    GstRTSPStatusCode code = GST_RTSP_STS_OK;
    if (gst_rtsp_message_get_type(msg) != GST_RTSP_MESSAGE_RESPONSE ||
        gst_rtsp_message_parse_response(msg, &code, nullptr, nullptr) != GST_RTSP_OK ||
        code != GST_RTSP_STS_UNAUTHORIZED)
        return;
    GstRTSPContext *ctx = gst_rtsp_context_get_current();
    gchar *authorization = nullptr;
    if (!ctx || !ctx->request ||
        gst_rtsp_message_get_header(ctx->request, GST_RTSP_HDR_AUTHORIZATION, &authorization, 0) !=
            GST_RTSP_OK)
        return;
    static_cast<Impl *>(self)->refused++;
    GstRTSPConnection *connection = gst_rtsp_client_get_connection(client);
    const char *ip = connection ? gst_rtsp_connection_get_ip(connection) : nullptr;
    std::fprintf(stderr,
                 "orv-camera: refused RTSP client %s: wrong user name or password (user \"%s\")\n",
                 ip ? ip : "?", DigestUser(authorization).c_str());
}

gboolean RtspServer::Impl::OnCleanup(gpointer self) {
    GPtr<GstRTSPSessionPool> pool(
        gst_rtsp_server_get_session_pool(static_cast<Impl *>(self)->server));
    gst_rtsp_session_pool_cleanup(pool.get());
    return G_SOURCE_CONTINUE;
}

void RtspServer::Impl::Publish(const uint8_t *data, size_t size, int64_t arrival_us, bool idr) {
    GstBuffer *frame = gst_buffer_new_memdup(data, size);
    const int64_t now_us = SteadyNowMicros();
    std::lock_guard<std::mutex> lock(mutex);
    ++frames_in;
    bytes_in += size;
    window_bytes += size;
    if (window_start_us == 0)
        window_start_us = arrival_us;
    if (arrival_us - window_start_us >= kRateWindowUs) {
        bits_per_second = 8e6 * static_cast<double>(window_bytes) /
                          static_cast<double>(arrival_us - window_start_us);
        window_start_us = arrival_us;
        window_bytes = 0;
    }
    if (idr) {
        if (last_idr)
            gst_buffer_unref(last_idr);
        last_idr = gst_buffer_ref(frame);
    }
    for (auto &feed : feeds) {
        // A pipeline not yet running has no clock to time the frame against; the client
        // starts at a later IDR frame.
        GstClock *clock = gst_element_get_clock(feed->src);
        if (!clock) {
            idr_wanted = true;
            continue;
        }
        // The arrival time on the pipeline's clock, as running time.
        const GstClockTime clock_now = gst_clock_get_time(clock);
        gst_object_unref(clock);
        const GstClockTime base = gst_element_get_base_time(feed->src);
        const int64_t pts = static_cast<int64_t>(clock_now) - static_cast<int64_t>(base) -
                            (now_us - arrival_us) * 1000;
        // A new client's pipeline gets the last IDR frame at once: the server learns the
        // stream's parameters from it without waiting for the camera's next IDR frame. It is
        // held there until PLAY, and the client then starts at a fresh IDR frame.
        if (!feed->prerolled && last_idr) {
            feed->prerolled = feed->held = true;
            PushTo(feed.get(), last_idr, pts, true);
            continue;
        }
        // Between DESCRIBE and PLAY the server holds the stream: it needs one frame to learn
        // the stream's parameters, and every further one would reach the client stale. After
        // PLAY the client starts again at the next IDR frame.
        const bool holding = gst_rtsp_stream_is_blocking(feed->stream);
        if (holding && feed->held)
            continue;
        if (!holding && feed->held) {
            feed->held = false;
            feed->gate.Restart();
        }
        const size_t queued =
            static_cast<size_t>(gst_app_src_get_current_level_buffers(GST_APP_SRC(feed->src)));
        if (!feed->gate.Admit(idr, queued)) {
            idr_wanted = idr_wanted || feed->gate.waiting_idr();
            continue;
        }
        feed->held = holding;
        PushTo(feed.get(), frame, pts, idr);
    }
    gst_buffer_unref(frame);
}

void RtspServer::Impl::PushTo(Feed *feed, GstBuffer *frame, int64_t pts, bool idr) {
    GstBuffer *copy = gst_buffer_copy(frame);  // shares the bytes
    // A frame that arrived before the pipeline started, or a pipeline whose start moved, still
    // gives times that only grow.
    pts = std::max(pts, feed->last_pts + 1);
    feed->last_pts = pts;
    GST_BUFFER_PTS(copy) = static_cast<GstClockTime>(pts);
    GST_BUFFER_DTS(copy) = static_cast<GstClockTime>(pts);
    if (!idr)
        GST_BUFFER_FLAG_SET(copy, GST_BUFFER_FLAG_DELTA_UNIT);
    gst_app_src_push_buffer(GST_APP_SRC(feed->src), copy);
}

RtspServer::RtspServer(const ServeOptions &options) : impl_(std::make_unique<Impl>(options)) {}

RtspServer::~RtspServer() {
    if (impl_->loop) {
        // Clients are closed on the server's own thread, then the thread ends.
        g_main_context_invoke(
            impl_->context,
            [](gpointer server) -> gboolean {
                gst_rtsp_server_client_filter(
                    GST_RTSP_SERVER(server),
                    [](GstRTSPServer *, GstRTSPClient *, gpointer) {
                        return GST_RTSP_FILTER_REMOVE;
                    },
                    nullptr);
                return G_SOURCE_REMOVE;
            },
            impl_->server);
        g_main_loop_quit(impl_->loop);
    }
    if (impl_->thread.joinable())
        impl_->thread.join();
    {
        std::lock_guard<std::mutex> lock(impl_->mutex);
        impl_->feeds.clear();
        if (impl_->last_idr)
            gst_buffer_unref(impl_->last_idr);
    }
    if (impl_->server)
        g_object_unref(impl_->server);
    if (impl_->loop)
        g_main_loop_unref(impl_->loop);
    if (impl_->context)
        g_main_context_unref(impl_->context);
}

int RtspServer::Start(std::string *why) {
    gst_init(nullptr, nullptr);
    Impl &d = *impl_;
    d.context = g_main_context_new();
    d.loop = g_main_loop_new(d.context, FALSE);
    d.server = gst_rtsp_server_new();
    gst_rtsp_server_set_address(d.server, d.options.address.c_str());
    gst_rtsp_server_set_service(d.server, std::to_string(d.options.port).c_str());
    g_signal_connect(d.server, "client-connected", G_CALLBACK(&Impl::OnClientConnected), &d);
    GPtr<GstRTSPThreadPool> threads(gst_rtsp_server_get_thread_pool(d.server));
    gst_rtsp_thread_pool_set_max_threads(threads.get(), kClientThreads);

    GstRTSPMediaFactory *factory = gst_rtsp_media_factory_new();
    gst_rtsp_media_factory_set_launch(factory, kLaunch);
    gst_rtsp_media_factory_set_shared(factory, FALSE);
    gst_rtsp_media_factory_set_protocols(
        factory,
        static_cast<GstRTSPLowerTrans>(GST_RTSP_LOWER_TRANS_UDP | GST_RTSP_LOWER_TRANS_TCP));
    g_signal_connect(factory, "media-configure", G_CALLBACK(&Impl::OnMediaConfigure), &d);
    if (!d.options.credentials.empty()) {
        GPtr<GstRTSPAuth> auth(gst_rtsp_auth_new());
        gst_rtsp_auth_set_supported_methods(auth.get(), GST_RTSP_AUTH_DIGEST);
        GstRTSPToken *token = gst_rtsp_token_new(GST_RTSP_TOKEN_MEDIA_FACTORY_ROLE, G_TYPE_STRING,
                                                 kViewerRole, nullptr);
        gst_rtsp_auth_add_digest(auth.get(), d.options.credentials.user.c_str(),
                                 d.options.credentials.password.c_str(), token);
        gst_rtsp_token_unref(token);
        gst_rtsp_media_factory_add_role(factory, kViewerRole, GST_RTSP_PERM_MEDIA_FACTORY_ACCESS,
                                        G_TYPE_BOOLEAN, TRUE, GST_RTSP_PERM_MEDIA_FACTORY_CONSTRUCT,
                                        G_TYPE_BOOLEAN, TRUE, nullptr);
        gst_rtsp_server_set_auth(d.server, auth.get());
    }
    GPtr<GstRTSPMountPoints> mounts(gst_rtsp_server_get_mount_points(d.server));
    gst_rtsp_mount_points_add_factory(mounts.get(), d.options.path.c_str(), factory);

    GError *error = nullptr;
    GSource *source = gst_rtsp_server_create_source(d.server, nullptr, &error);
    if (!source) {
        *why = "cannot listen on " + d.options.address + " port " + std::to_string(d.options.port) +
               ": " + (error ? error->message : "refused");
        g_clear_error(&error);
        return -1;
    }
    g_source_attach(source, d.context);
    g_source_unref(source);
    d.port = gst_rtsp_server_get_bound_port(d.server);
    GSource *cleanup = g_timeout_source_new_seconds(kSessionCleanupSeconds);
    g_source_set_callback(cleanup, &Impl::OnCleanup, &d, nullptr);
    g_source_attach(cleanup, d.context);
    g_source_unref(cleanup);

    d.thread = std::thread([&d] {
        g_main_context_push_thread_default(d.context);
        g_main_loop_run(d.loop);
        g_main_context_pop_thread_default(d.context);
    });
    return d.port;
}

std::string RtspServer::Url() const {
    const std::string &a = impl_->options.address;
    const std::string host = a.find(':') != std::string::npos ? "[" + a + "]" : a;
    return "rtsp://" + host + ":" + std::to_string(impl_->port) + impl_->options.path;
}

void RtspServer::Push(const uint8_t *data, size_t size, int64_t arrival_us, bool idr) {
    impl_->Publish(data, size, arrival_us, idr);
}

bool RtspServer::TakeIdrRequest(int64_t now_us) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    Impl &d = *impl_;
    if (!d.idr_wanted ||
        (d.idr_requested_once && now_us - d.last_idr_request_us < kIdrRequestEveryUs))
        return false;
    d.idr_wanted = false;
    d.idr_requested_once = true;
    d.last_idr_request_us = now_us;
    return true;
}

ServeStats RtspServer::Stats() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    ServeStats s;
    s.clients = impl_->feeds.size();
    s.frames_in = impl_->frames_in;
    s.bytes_in = impl_->bytes_in;
    s.frames_dropped = impl_->dropped_by_gone;
    for (const auto &feed : impl_->feeds)
        s.frames_dropped += feed->gate.dropped();
    s.refused = impl_->refused;
    s.bits_per_second = impl_->bits_per_second;
    return s;
}

}  // namespace orvcli
