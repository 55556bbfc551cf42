// The camera's H.264 served over RTSP (GStreamer's RTSP server library), without re-encoding.
//
// One capture feeds every client: the capture thread pushes each access unit once, and each
// client's own pipeline (appsrc -> h264parse, SPS/PPS repeated in band -> rtph264pay) takes it
// from a bounded queue. A client starts at an IDR frame; one whose queue fills up loses frames
// up to the next IDR frame (feed_gate.h), and never holds up the others or the capture. RTP
// goes over UDP or interleaved in the RTSP connection, as the client asks.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <memory>
#include <string>

#include "credentials.h"

namespace orvcli {

struct ServeOptions {
    std::string address = "127.0.0.1";  // where to listen (loopback only unless told)
    int port = 8554;                    // 0: any free port
    std::string path = "/cam";
    Credentials credentials;  // empty: no authentication
    // Frames that may wait for one client (half a second at 30 fps) before it falls behind.
    size_t client_queue_frames = 15;
};

// What the server has done so far, for a status line or the console.
struct ServeStats {
    size_t clients = 0;           // clients being fed
    uint64_t frames_in = 0;       // access units pushed
    uint64_t bytes_in = 0;        // their bytes
    uint64_t frames_dropped = 0;  // frames clients lost by falling behind
    uint64_t refused = 0;         // requests refused for wrong credentials
    double bits_per_second = 0;   // the stream's rate over the last second or so
};

class RtspServer {
  public:
    explicit RtspServer(const ServeOptions &options);
    ~RtspServer();
    RtspServer(const RtspServer &) = delete;
    RtspServer &operator=(const RtspServer &) = delete;

    // Binds the port and starts the server's thread. The bound port, or -1 with *why set.
    int Start(std::string *why);
    // The URL clients use ("rtsp://127.0.0.1:8554/cam"), once started.
    std::string Url() const;

    // One Annex B access unit that arrived at `arrival_us` (steady clock, microseconds); any
    // thread, never waits for a client.
    void Push(const uint8_t *data, size_t size, int64_t arrival_us, bool idr);
    // True at most once a second while a client waits for an IDR frame: the capture then asks
    // the camera for one rather than leave the client waiting a whole I-frame period.
    bool TakeIdrRequest(int64_t now_us);

    ServeStats Stats() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace orvcli
