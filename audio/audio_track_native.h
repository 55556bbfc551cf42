// Playback stream: each write queues one copy of the caller's PCM on an OpenSL ES player's
// buffer queue; at most numBuffers copies are queued at a time.
//
// Locks and threads: as for both streams (stream_core.h), with `writeLock` as the caller lock.
#pragma once

#include "sl_engine.h"

#include <SLES/OpenSLES.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

class AudioTrackNative {
public:
    AudioTrackNative() = default;
    ~AudioTrackNative() { close(); }
    AudioTrackNative(const AudioTrackNative &) = delete;
    AudioTrackNative &operator=(const AudioTrackNative &) = delete;

    // Sets the stream up stopped (closing it first if open). 0, or -38.
    int open(unsigned channelCount, unsigned sampleRate, bool useFloat, unsigned numBuffers);
    // Queues a copy of `size` bytes. Returns size, 0 when nothing was queued (queue full and not
    // blocking, or a blocked write released by flush/close), or -38 (not open, closed while
    // waiting, or OpenSL ES refused the buffer).
    int write(const void *data, size_t size, bool blocking);
    // Stops and releases everything open set up, releasing a blocked writer; safe when closed.
    void close();

    // Registered with OpenSL ES; `context` is the stream.
    static void BufferQueueCallback(SLBufferQueueItf caller, void *context);
    // One queued buffer completed.
    void bufferQueueCallback(SLBufferQueueItf caller);

    // The stream's recursive lock, for callers that group several operations.
    std::recursive_mutex &streamLock() { return lock; }

    // SetPlayState(requested) under lock: -38 when not open or refused (WARN "setPlayState %d
    // error %s"; state unchanged), else 0 and state = requested.
    int setPlayState(SLuint32 requested);
    int start() { return setPlayState(SL_PLAYSTATE_PLAYING); }
    int stop() { return setPlayState(SL_PLAYSTATE_STOPPED); }
    int pause() { return setPlayState(SL_PLAYSTATE_PAUSED); }
    // Drops every queued copy (Clear) and releases a blocked writer. 0, or -38 when Clear fails
    // (copies kept). Nothing is logged. Closed stream: 0.
    int flush();
    // Milliseconds played. 0, or -38 when not open or GetPosition fails (WARN "getPosition
    // error %s").
    int getPositionInMsec(SLmillisecond *position);
    // Copies queued and not yet played.
    int buffersPending();
    // Last play state set successfully (SL_PLAYSTATE_*).
    SLuint32 playState();
    bool isOpen();
    // Waits begun so far by callers blocked in write (monitoring).
    uint64_t waitsBegun() { return signal.waitsBegun(); }
    // The buffer queue's state at DEBUG (sonora::logQueueState); nothing when closed.
    void logBufferState();

private:
    SLObjectItf engineObject = nullptr;
    SLEngineItf engine = nullptr;
    SLObjectItf outputMixObject = nullptr;
    SLObjectItf playerObject = nullptr;
    SLPlayItf play = nullptr;
    SLBufferQueueItf bufferQueue = nullptr;
    SLuint32 state = SL_PLAYSTATE_STOPPED;
    SLuint32 numBuffers = 0;
    std::recursive_mutex lock;
    std::mutex writeLock;
    StreamSignal signal;
    std::deque<std::shared_ptr<android::BlobReadOnly>> queuedBuffers;

    SLresult openLocked(unsigned channelCount, unsigned sampleRate, bool useFloat,
                        unsigned numBuffers);
    bool completedOne();
};
