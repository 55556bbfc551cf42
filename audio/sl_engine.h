// The process-wide OpenSL ES engine that every stream borrows, the buffer records the streams
// queue, the wake-up record a blocked reader or writer waits on, and the PCM format both streams
// hand to OpenSL ES.
#pragma once

#include <SLES/OpenSLES.h>
#include <SLES/OpenSLES_Android.h>
#include <pthread.h>

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace android {

// Owner of one normal (non-recursive) pthread mutex. Usable with std::lock_guard.
class Mutex {
  public:
    Mutex();
    ~Mutex();
    Mutex(const Mutex &) = delete;
    Mutex &operator=(const Mutex &) = delete;
    void lock();
    void unlock();

  private:
    pthread_mutex_t mutex_;
};

// Writable PCM buffer record. `owned` (a malloc block, or null when the memory belongs to
// somebody else) is freed with the record.
struct Blob {
    uint8_t *data = nullptr;
    size_t offset = 0;
    size_t size = 0;
    void *owned = nullptr;

    Blob(uint8_t *bytes, size_t length, void *allocation)
        : data(bytes), size(length), owned(allocation) {}
    ~Blob();
    Blob(const Blob &) = delete;
    Blob &operator=(const Blob &) = delete;
    size_t remaining() const { return size - offset; }
};

// Read-only PCM buffer record; `owned` is freed with the record.
struct BlobReadOnly {
    void *owned = nullptr;
    const uint8_t *data = nullptr;
    size_t size = 0;

    BlobReadOnly(void *allocation, const uint8_t *bytes, size_t length)
        : owned(allocation), data(bytes), size(length) {}
    ~BlobReadOnly();
    BlobReadOnly(const BlobReadOnly &) = delete;
    BlobReadOnly &operator=(const BlobReadOnly &) = delete;
};

// A realized engine, or null. `shared` true lends the process's shared engine (created on the
// first loan) and counts the loan; a failed creation is not counted, so the next request tries
// again. `shared` false creates a private engine nothing counts.
SLObjectItf OpenSLEngine(bool shared);

// Gives back an engine from OpenSLEngine: a private one is destroyed at once; the shared one is
// destroyed when its last loan comes back.
void CloseSLEngine(SLObjectItf engine);

// The SL_RESULT_* name of a result code; "SL_RESULT_UNKNOWN" outside 0..16.
const char *getSLErrStr(int result);

// Speaker mask of 1..8 interleaved channels; 0 for any other count.
SLuint32 channelCountToMask(unsigned channels);

// The PCM description both streams give OpenSL ES: 16-bit signed integers as SLDataFormat_PCM
// (format type 2), or 32-bit float as SLAndroidDataFormat_PCM_EX (format type 4). All eight
// fields are filled either way.
using PcmFormat = SLAndroidDataFormat_PCM_EX;
PcmFormat makePcmFormat(unsigned channelCount, unsigned sampleRate, bool useFloat);
// Whether the rate in milliHertz, as OpenSL ES takes it, fits 32 bits (else it would wrap to
// another rate).
inline bool fitsMilliHertz(uint64_t sampleRate) {
    return sampleRate * 1000 <= UINT32_MAX;
}

}  // namespace android

// Releases a caller blocked in a stream's read or write. The caller resets it while holding the
// stream's lock, releases that lock, then waits: a raise made in between is never lost.
// The mutex is the innermost lock of a stream.
struct StreamSignal {
    bool signaled = false;   // a raise happened since the last reset
    bool cancelled = false;  // a cancel happened since the last reset or raise
    uint64_t tickets = 0;    // waits begun
    uint64_t served = 0;     // ticket number up to which waits are satisfied
    std::condition_variable condition;
    std::mutex mutex;

    void reset();
    void raise();
    void cancel();
    // True when a raise is pending since the last reset.
    bool isSignaled();
    // The caller holds `mutex` through `held`. True when the wait ends served, false when it
    // ends cancelled.
    bool wait(std::unique_lock<std::mutex> &held);
    // Takes the mutex and waits; true when served.
    bool wait();
    // For a caller holding the stream's lock through `stream`: resets, releases the stream's lock
    // and waits; when served, takes the stream's lock again and gives true. A cancelled wait gives
    // false with the stream's lock released.
    bool waitReleasing(std::unique_lock<std::recursive_mutex> &stream);
    // Waits begun so far (monitoring; tests use it to know a caller is blocked).
    uint64_t waitsBegun();
};
