// The natives that both Java classes share, written once for either stream type. Each takes
// its own reference to the handle's stream for the length of the call.
#pragma once

#include "jni_arrays.h"
#include "sonora_log.h"
#include "stream_handle.h"

#include <jni.h>

#include <cstdint>

namespace sonora {

// Negative channel counts, rates or queue lengths would reach the stream as huge unsigned
// values, and a rate whose milliHertz do not fit 32 bits would wrap to another rate: they are
// refused with kResultBadValue.
template <class Stream>
jint openStream(jlong handle, jint channelCount, jint sampleRate, jboolean useFloat,
                jint numBuffers) {
    auto stream = StreamHandle<Stream>::get(handle);
    if (!stream) return kResultNoStream;
    if (channelCount < 0 || sampleRate < 0 || numBuffers < 0) return kResultBadValue;
    if (static_cast<uint64_t>(sampleRate) * 1000 > UINT32_MAX) return kResultBadValue;
    return stream->open(static_cast<unsigned>(channelCount), static_cast<unsigned>(sampleRate),
                        useFloat == 1, static_cast<unsigned>(numBuffers));
}

template <class Stream>
void closeStream(jlong handle) {
    if (auto stream = StreamHandle<Stream>::get(handle)) stream->close();
}

// Start, stop, pause or flush: `operation` is the stream's member for it.
template <class Stream>
jint streamOperation(jlong handle, int (Stream::*operation)()) {
    auto stream = StreamHandle<Stream>::get(handle);
    return stream ? ((*stream).*operation)() : kResultNoStream;
}

template <class Stream>
jint streamBuffersPending(jlong handle) {
    auto stream = StreamHandle<Stream>::get(handle);
    return stream ? stream->buffersPending() : 0;
}

// Stores the position into element 0 of `position` (a null or empty array: kResultBadValue,
// nothing asked of the stream).
template <class Stream>
jint streamPositionInMsec(JNIEnv *env, jlong handle, jlongArray position) {
    if (position == nullptr || env->GetArrayLength(position) < 1) return kResultBadValue;
    auto stream = StreamHandle<Stream>::get(handle);
    if (!stream) return kResultNoStream;
    SLmillisecond ms = 0;
    const int result = stream->getPositionInMsec(&ms);
    if (result != 0) return result;
    auto *elements = static_cast<jlong *>(env->GetPrimitiveArrayCritical(position, nullptr));
    if (elements == nullptr) {
        SONORA_LOGE("Unable to get array for nativeGetPositionInMsec()");
        return kResultBadValue;
    }
    elements[0] = static_cast<jlong>(ms);
    env->ReleasePrimitiveArrayCritical(position, elements, 0);
    return 0;
}

}  // namespace sonora
