// Capture stream: an OpenSL ES recorder fills 20 ms buffers that the stream allocates; the
// callback copies each straight into a waiting reader's memory or keeps it for the next read.
// At most numBuffers buffers are held (ready plus in flight).
//
// Locks and threads: as for both streams (stream_core.h), with `readLock` as the caller lock.
#pragma once

#include "sl_engine.h"

#include <SLES/OpenSLES.h>
#include <SLES/OpenSLES_Android.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

class AudioRecordNative {
  public:
    AudioRecordNative() = default;
    ~AudioRecordNative() { close(); }
    AudioRecordNative(const AudioRecordNative &) = delete;
    AudioRecordNative &operator=(const AudioRecordNative &) = delete;

    // Sets the stream up stopped (closing it first if open); nothing is enqueued. 0, or -38.
    int open(unsigned channelCount, unsigned sampleRate, bool useFloat, unsigned numBuffers);
    // Copies up to `size` captured bytes into `data`: what is ready, then, when blocking, waits
    // for the callback to fill the rest. Bytes delivered, or -38 when not open.
    long read(void *data, size_t size, bool blocking);
    // Drops captured and queued audio and releases a blocked reader. 0, or -38 when Clear fails.
    int flush();
    // Stops and releases everything open set up; safe when closed.
    void close();
    // Hands at most one fresh buffer to OpenSL ES (while fewer than numBuffers are held).
    // 0, or -38 when not open or the buffer was refused (WARN).
    int queueBuffers();

    // Registered with OpenSL ES; `context` is the stream.
    static void BufferQueueCallback(SLAndroidSimpleBufferQueueItf caller, void *context);
    // One capture buffer filled.
    void bufferQueueCallback(SLAndroidSimpleBufferQueueItf caller);

    // The stream's recursive lock, for callers that group several operations.
    std::recursive_mutex &streamLock() { return lock; }

    // Under lock: -38 when not open; for SL_RECORDSTATE_RECORDING one queueBuffers() first
    // (result not examined); SetRecordState(requested): refused -> WARN "setRecordState %d
    // error %s", -38, state unchanged; else 0 and state = requested. A stop also takes back the
    // buffers in flight (Clear); the partly filled one is lost, ready buffers stay.
    int setRecordState(SLuint32 requested);
    int start() { return setRecordState(SL_RECORDSTATE_RECORDING); }
    int stop() { return setRecordState(SL_RECORDSTATE_STOPPED); }
    int pause() { return setRecordState(SL_RECORDSTATE_PAUSED); }
    // Milliseconds recorded. 0, or -38 when not open or GetPosition fails (WARN "getPosition
    // error %s").
    int getPositionInMsec(SLmillisecond *position);
    // Filled buffers not yet read.
    int buffersPending();
    // Last record state set successfully (SL_RECORDSTATE_*).
    SLuint32 recordState();
    bool isOpen();
    // Waits begun so far by callers blocked in read (monitoring).
    uint64_t waitsBegun() { return signal.waitsBegun(); }
    // Bytes in one capture buffer (20 ms of frames); 0 when closed.
    size_t captureBufferSize();
    // The buffer queue's state at DEBUG (sonora::logQueueState); nothing when closed.
    void logBufferState();

  private:
    SLObjectItf engineObject = nullptr;
    SLEngineItf engine = nullptr;
    SLObjectItf recorderObject = nullptr;
    SLRecordItf record = nullptr;
    SLAndroidSimpleBufferQueueItf bufferQueue = nullptr;
    SLuint32 state = SL_RECORDSTATE_STOPPED;
    size_t bufferSize = 0;
    size_t numBuffers = 0;
    std::recursive_mutex lock;
    std::mutex readLock;
    std::shared_ptr<android::Blob> readTarget;
    StreamSignal signal;
    std::deque<std::shared_ptr<android::Blob>> readyQueue;
    std::deque<std::shared_ptr<android::Blob>> inFlightQueue;

    SLresult openLocked(unsigned channelCount, unsigned sampleRate, bool useFloat,
                        unsigned numBuffers);
    size_t copyFromReady(uint8_t *dest, size_t size);
    void dropInFlight();
};
