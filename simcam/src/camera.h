// One simulated node: the camera behind uvcvideo, answering every request on its descriptors.
#pragma once

#include <linux/uvcvideo.h>
#include <linux/videodev2.h>
#include <stdint.h>
#include <sys/time.h>

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "config.h"
#include "encoder.h"
#include "simcam/simcam.h"

namespace simcam {

// One open descriptor of a node.
struct OpenFile {
    int fd = -1;
    uint64_t id = 0;  // never reused, unlike fd numbers
};

class Camera {
  public:
    explicit Camera(NodeConfig config);
    ~Camera();
    Camera(const Camera &) = delete;
    Camera &operator=(const Camera &) = delete;

    const NodeConfig &config() const { return config_; }
    const std::string &path() const { return config_.path; }

    // open(): 0, or the errno to fail with.
    int OpenError();
    // A descriptor was opened on the node (it starts at the default priority).
    void Opened(const OpenFile &file);
    // The descriptor goes away: a stream it owns stops and its buffers are freed.
    void Closed(const OpenFile &file);
    // The open file's descriptor was closed while a copy of it (dup) stays open: file.fd is
    // now that copy.
    void Renumbered(const OpenFile &file);
    // One ioctl: 0 (or a positive result), or minus the errno. Fills the trace entry.
    int Ioctl(const OpenFile &file, unsigned long request, void *arg, TraceEntry *t);
    // mmap of one buffer: the address, or MAP_FAILED with *error set.
    void *Mmap(const OpenFile &file, void *addr, size_t length, int prot, int flags, int64_t offset,
               uint32_t *index, int *error);
    // A mapping of this camera's buffers went away.
    void Unmapped(uint32_t index);
    // What poll answers on any descriptor of the node for the requested events, as videobuf2
    // answers for uvcvideo's queue: POLLERR while the queue is not streaming or no buffer was
    // queued since REQBUFS or STREAMOFF, POLLIN with a filled buffer waiting; after an unplug
    // POLLERR and POLLHUP, as the V4L2 core answers for an unregistered node.
    short PollAnswer(short requested);

    // Test API.
    void FailOpen(int err);
    void FailCall(Call call, int err, int times, int after);
    void GrantBuffers(uint32_t n);
    void FailXu(uint8_t unit, uint8_t selector, int err);
    void FailControl(uint32_t id, int err);
    void SetIdentityAnswered(bool answered);
    void Unplug();
    void SetStalled(bool stalled);
    void CorruptFrames(int n);
    void SetClock(Clock clock);
    int ReleaseFrames(int n);
    EncoderSettings GetEncoder();
    std::vector<Frame> DeliveredFrames();
    void ClearFrames();
    uint64_t DroppedFrames();
    void SetOsdStatus(uint8_t status);
    void SetHdmiInput(uint8_t state);
    int LastOsdCommand();
    int32_t ControlValue(uint32_t id);

  private:
    using Lock = std::unique_lock<std::mutex>;

    enum class BufState { kDequeued, kQueued, kDone };
    struct Buffer {
        uint32_t index = 0;
        uint32_t offset = 0;
        BufState state = BufState::kDequeued;
        uint32_t bytesused = 0;
        uint32_t flags = 0;
        uint32_t sequence = 0;
        struct timeval timestamp = {};
        unsigned long userptr = 0;
        uint32_t user_length = 0;
        int mappings = 0;
    };

    // A fault set for this call: 0, or the errno to fail with (consumes one of its times).
    int TakeFault(Call call);

    // V4L2 format and frame-rate requests.
    int QueryCap(struct v4l2_capability *cap);
    int EnumFmt(struct v4l2_fmtdesc *f, TraceEntry *t);
    int GetFmt(struct v4l2_format *f, TraceEntry *t);
    int SetFmt(const OpenFile &file, struct v4l2_format *f, bool apply, TraceEntry *t);
    int GetParm(struct v4l2_streamparm *p, TraceEntry *t);
    int SetParm(const OpenFile &file, struct v4l2_streamparm *p, TraceEntry *t);
    int EnumFrameSizes(struct v4l2_frmsizeenum *f, TraceEntry *t);
    int EnumFrameIntervals(struct v4l2_frmivalenum *f, TraceEntry *t);
    const FormatConfig *FindFormat(uint32_t fourcc) const;
    const IntervalSet *IntervalsFor(const FormatConfig &f, uint32_t width, uint32_t height) const;
    void FillFormat(struct v4l2_format *f) const;
    uint32_t SizeImage() const;
    // The negotiated format and frame interval reach the encoder (the commit at STREAMON).
    void CommitStream();

    // Buffers and streaming.
    bool OwnedByOther(const OpenFile &file) const;
    int ReqBufs(const OpenFile &file, struct v4l2_requestbuffers *r, TraceEntry *t);
    int QueryBuf(const OpenFile &file, struct v4l2_buffer *b, TraceEntry *t);
    int QBuf(const OpenFile &file, struct v4l2_buffer *b, TraceEntry *t);
    int DQBuf(Lock &lock, const OpenFile &file, struct v4l2_buffer *b, TraceEntry *t);
    int StreamOn(const OpenFile &file, const int *type, TraceEntry *t);
    int StreamOff(const OpenFile &file, const int *type, TraceEntry *t);
    void FillBuffer(const Buffer &buf, struct v4l2_buffer *b) const;
    void FreeBuffers();
    void StopStreaming();
    short PollAnswerLocked(short requested) const;
    // Makes every descriptor's eventfd readable exactly while poll has something to answer for
    // POLLIN, so select and epoll see it and a waiting poll wakes.
    void UpdateReadable();

    // Controls.
    int QueryCtrl(struct v4l2_queryctrl *q, TraceEntry *t);
    int GetCtrl(struct v4l2_control *c, TraceEntry *t);
    int SetCtrl(struct v4l2_control *c, TraceEntry *t);
    const ControlConfig *FindControl(uint32_t id) const;

    // Access priority, one per descriptor, as the V4L2 core keeps it: requests that change the
    // node fail with EBUSY for a descriptor below the highest priority of the open ones.
    int Priority(const OpenFile &file, unsigned long request, uint32_t *arg);
    bool BelowTopPriority(const OpenFile &file) const;

    // The rest of what uvcvideo answers: inputs, extended controls, menus.
    int OtherIoctl(unsigned long request, void *arg);
    int ExtControls(unsigned long request, struct v4l2_ext_controls *c);
    int QueryExtCtrl(struct v4l2_query_ext_ctrl *q);
    int QueryMenu(struct v4l2_querymenu *m);

    // Extension units and the identity request.
    int XuQuery(struct uvc_xu_control_query *q, TraceEntry *t);
    int H264Unit(uint8_t selector, uint8_t query, uint16_t size, uint8_t *data);
    int Commit(const uint8_t *block);
    int Identity(uint8_t *descriptor, TraceEntry *t);
    EncodeSettings CurrentSettings() const;

    // Frame production.
    bool ProduceFrame();
    bool EncodeOne(std::vector<uint8_t> *bytes, bool *idr);
    void PrepareFast();
    void StartProducer();
    void ProducerLoop(uint64_t generation);
    std::thread TakeProducer();

    NodeConfig config_;
    mutable std::mutex mu_;
    std::condition_variable cv_;
    Faults faults_;
    Clock clock_;
    uint8_t osd_status_, hdmi_input_;
    int last_osd_command_ = -1;

    // Format state.
    uint32_t pixelformat_ = 0, width_ = 0, height_ = 0;
    Fraction interval_;
    std::map<uint32_t, int32_t> controls_;
    uint8_t block_[46] = {};  // the H.264 unit's committed configuration
    uint8_t probe_[46] = {};  // the last probe SET_CUR

    // Every open descriptor of the node (OpenFile::id): its eventfd and whether it was made
    // readable.
    struct Waker {
        int fd = -1;
        bool readable = false;
    };
    std::map<uint64_t, Waker> wakers_;

    // Buffer queue, owned by one descriptor from REQBUFS on.
    uint64_t owner_ = 0;
    bool waiting_for_buffers_ = false;  // REQBUFS or STREAMOFF came after the last QBUF
    uint32_t memory_ = 0;
    uint32_t buffer_length_ = 0;
    std::vector<Buffer> buffers_;
    std::deque<uint32_t> queued_, done_;
    int memfd_ = -1;
    uint8_t *memory_map_ = nullptr;
    size_t memory_size_ = 0;
    bool streaming_ = false;
    std::map<uint64_t, uint32_t> priorities_;  // open descriptor (OpenFile::id) -> priority

    // Frames.
    Encoder encoder_;
    bool idr_requested_ = false;
    uint64_t sequence_ = 0;
    uint64_t dropped_ = 0;
    std::deque<Frame> delivered_;
    std::vector<std::vector<uint8_t>> fast_frames_;
    std::vector<bool> fast_idr_;
    EncodeSettings fast_settings_;
    size_t fast_next_ = 0;
    std::thread producer_;
    uint64_t producer_generation_ = 0;
};

}  // namespace simcam
