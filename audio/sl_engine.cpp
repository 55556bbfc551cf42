// The shared OpenSL ES engine, result names, speaker masks, buffer records and the stream signal.
#include "sl_engine.h"

#include "sonora_log.h"

#include <cstdlib>
#include <iterator>

namespace android {

Mutex::Mutex() { pthread_mutex_init(&mutex_, nullptr); }
Mutex::~Mutex() { pthread_mutex_destroy(&mutex_); }
void Mutex::lock() { pthread_mutex_lock(&mutex_); }
void Mutex::unlock() { pthread_mutex_unlock(&mutex_); }

Blob::~Blob() { free(owned); }
BlobReadOnly::~BlobReadOnly() { free(owned); }

namespace {

Mutex engineLock;
uint32_t engineRefCount = 0;
SLObjectItf sharedEngine = nullptr;

SLObjectItf createEngine() {
    SLObjectItf engine = nullptr;
    const SLEngineOption options[] = {{SL_ENGINEOPTION_THREADSAFE, SL_BOOLEAN_TRUE}};
    SLresult result = slCreateEngine(&engine, 1, options, 0, nullptr, nullptr);
    if (result != SL_RESULT_SUCCESS) {
        SONORA_LOGE("slCreateEngine() failed: %s", getSLErrStr(static_cast<int>(result)));
        return nullptr;
    }
    result = (*engine)->Realize(engine, SL_BOOLEAN_FALSE);
    if (result != SL_RESULT_SUCCESS) {
        SONORA_LOGE("Realize() failed: %s", getSLErrStr(static_cast<int>(result)));
        (*engine)->Destroy(engine);
        return nullptr;
    }
    return engine;
}

}  // namespace

SLObjectItf OpenSLEngine(bool shared) {
    if (!shared) {
        return createEngine();
    }
    std::lock_guard<Mutex> guard(engineLock);
    if (engineRefCount == 0) {
        sharedEngine = createEngine();
    }
    if (sharedEngine == nullptr) {
        return nullptr;  // not counted: the next request tries again
    }
    ++engineRefCount;
    return sharedEngine;
}

void CloseSLEngine(SLObjectItf engine) {
    std::lock_guard<Mutex> guard(engineLock);
    if (engine != sharedEngine) {
        if (engine != nullptr) {
            (*engine)->Destroy(engine);
        }
        return;
    }
    if (engineRefCount == 0) {
        SONORA_LOGE("CloseSLEngine(%p): refcount already 0", static_cast<const void *>(engine));
        return;
    }
    if (--engineRefCount > 0) {
        return;
    }
    sharedEngine = nullptr;
    (*engine)->Destroy(engine);
}

const char *getSLErrStr(int result) {
    static const char *const names[] = {
        "SL_RESULT_SUCCESS",
        "SL_RESULT_PRECONDITIONS_VIOLATE",
        "SL_RESULT_PARAMETER_INVALID",
        "SL_RESULT_MEMORY_FAILURE",
        "SL_RESULT_RESOURCE_ERROR",
        "SL_RESULT_RESOURCE_LOST",
        "SL_RESULT_IO_ERROR",
        "SL_RESULT_BUFFER_INSUFFICIENT",
        "SL_RESULT_CONTENT_CORRUPTED",
        "SL_RESULT_CONTENT_UNSUPPORTED",
        "SL_RESULT_CONTENT_NOT_FOUND",
        "SL_RESULT_PERMISSION_DENIED",
        "SL_RESULT_FEATURE_UNSUPPORTED",
        "SL_RESULT_INTERNAL_ERROR",
        "SL_RESULT_UNKNOWN_ERROR",
        "SL_RESULT_OPERATION_ABORTED",
        "SL_RESULT_CONTROL_LOST",
    };
    const auto code = static_cast<unsigned>(result);
    return code < std::size(names) ? names[code] : "SL_RESULT_UNKNOWN";
}

SLuint32 channelCountToMask(unsigned channels) {
    static const SLuint32 masks[] = {
        0x1,    // a mono stream is front left
        0x3,    // front left, front right
        0x7,    // + front centre
        0x33,   // front left, front right, back left, back right
        0x37,   // + front centre
        0x3F,   // front left, right, centre, low frequency, back left, back right
        0x13F,  // + back centre
        0x63F,  // + side left, side right
    };
    return channels >= 1 && channels <= std::size(masks) ? masks[channels - 1] : 0;
}

PcmFormat makePcmFormat(unsigned channelCount, unsigned sampleRate, bool useFloat) {
    PcmFormat f{};
    f.formatType = useFloat ? SL_ANDROID_DATAFORMAT_PCM_EX : SL_DATAFORMAT_PCM;
    f.numChannels = channelCount;
    f.sampleRate = sampleRate * 1000;  // milliHertz
    f.bitsPerSample = useFloat ? 32 : 16;
    f.containerSize = useFloat ? 32 : 16;
    f.channelMask = channelCountToMask(channelCount);
    f.endianness = SL_BYTEORDER_LITTLEENDIAN;
    f.representation = useFloat ? SL_ANDROID_PCM_REPRESENTATION_FLOAT
                                : SL_ANDROID_PCM_REPRESENTATION_SIGNED_INT;
    return f;
}

}  // namespace android

void StreamSignal::reset() {
    std::lock_guard<std::mutex> held(mutex);
    signaled = false;
    cancelled = false;
}

void StreamSignal::raise() {
    std::lock_guard<std::mutex> held(mutex);
    signaled = true;
    cancelled = false;
    if (tickets != served) {
        served = tickets;
        condition.notify_all();
    }
}

void StreamSignal::cancel() {
    std::lock_guard<std::mutex> held(mutex);
    cancelled = true;
    if (tickets != served) {
        condition.notify_all();
    }
}

bool StreamSignal::isSignaled() {
    std::lock_guard<std::mutex> held(mutex);
    return signaled;
}

bool StreamSignal::wait(std::unique_lock<std::mutex> &held) {
    const uint64_t ticket = ++tickets;
    if (signaled) {
        served = ticket;
    }
    auto outstanding = [&] { return static_cast<int64_t>(ticket - served) >= 1; };
    while (outstanding()) {
        if (cancelled) {
            break;
        }
        condition.wait(held);
    }
    return !outstanding();
}

bool StreamSignal::wait() {
    std::unique_lock<std::mutex> held(mutex);
    return wait(held);
}

bool StreamSignal::waitReleasing(std::unique_lock<std::recursive_mutex> &stream) {
    reset();
    stream.unlock();
    if (!wait()) return false;
    stream.lock();
    return true;
}

uint64_t StreamSignal::waitsBegun() {
    std::lock_guard<std::mutex> held(mutex);
    return tickets;
}
