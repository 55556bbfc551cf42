// The natives that both Java classes share, written once for either stream type. Each takes
// its own reference to the handle's stream for the length of the call.
#pragma once

#include "audio_jni.h"
#include "jni_arrays.h"
#include "self_test.h"
#include "sonora_log.h"
#include "stream_handle.h"

#include <jni.h>

#include <cstdint>

namespace sonora {

// Negative channel counts, rates or queue lengths would reach the stream as huge unsigned
// values, and a rate whose milliHertz do not fit 32 bits would wrap to another rate: they are
// refused with kResultBadValue. Like every open, a refused one first closes the stream already
// open.
template <class Stream>
jint openStream(jlong handle, jint channelCount, jint sampleRate, jboolean useFloat,
                jint numBuffers) {
    auto stream = StreamHandle<Stream>::get(handle);
    if (!stream)
        return kResultNoStream;
    if (channelCount < 0 || sampleRate < 0 || numBuffers < 0 ||
        !android::fitsMilliHertz(static_cast<uint64_t>(sampleRate))) {
        stream->close();
        return kResultBadValue;
    }
    return stream->open(static_cast<unsigned>(channelCount), static_cast<unsigned>(sampleRate),
                        useFloat == 1, static_cast<unsigned>(numBuffers));
}

// Start, stop, pause or flush: `operation` is the stream's member for it.
template <class Stream>
jint streamOperation(jlong handle, int (Stream::*operation)()) {
    auto stream = StreamHandle<Stream>::get(handle);
    return stream ? ((*stream).*operation)() : kResultNoStream;
}

// Stores the position into element 0 of `position` (a null or empty array: kResultBadValue,
// nothing asked of the stream).
template <class Stream>
jint streamPositionInMsec(JNIEnv *env, jlong handle, jlongArray position) {
    if (position == nullptr || env->GetArrayLength(position) < 1)
        return kResultBadValue;
    auto stream = StreamHandle<Stream>::get(handle);
    if (!stream)
        return kResultNoStream;
    SLmillisecond ms = 0;
    const int result = stream->getPositionInMsec(&ms);
    if (result != 0)
        return result;
    auto *elements = static_cast<jlong *>(env->GetPrimitiveArrayCritical(position, nullptr));
    if (elements == nullptr) {
        env->ExceptionClear();  // the VM's OutOfMemoryError: the caller gets the result instead
        SONORA_LOGE("Unable to get array for nativeGetPositionInMsec()");
        return kResultBadValue;
    }
    elements[0] = static_cast<jlong>(ms);
    env->ReleasePrimitiveArrayCritical(position, elements, 0);
    return 0;
}

}  // namespace sonora

// Defines, with C linkage, the natives that both classes share for `Class` (AudioTrackNative or
// AudioRecordNative): create and destroy (named after `Kind`, Track or Record), open, close,
// start, stop, pause, flush, position, pending count, and nativeTest through `selfTest`.
// audio_jni.h declares each of them.
#define SONORA_STREAM_NATIVES(Class, Kind, selfTest)                                              \
    JNIEXPORT jlong JNICALL Java_com_orv_media_audio_##Class##_nativeCreate##Kind(JNIEnv *,       \
                                                                                  jclass) {       \
        return StreamHandle<Class>::create();                                                     \
    }                                                                                             \
    JNIEXPORT void JNICALL Java_com_orv_media_audio_##Class##_nativeDestroy##Kind(                \
        JNIEnv *, jclass, jlong handle) {                                                         \
        StreamHandle<Class>::destroy(handle);                                                     \
    }                                                                                             \
    JNIEXPORT jint JNICALL Java_com_orv_media_audio_##Class##_nativeOpen(                         \
        JNIEnv *, jclass, jlong handle, jint channelCount, jint sampleRate, jboolean useFloat,    \
        jint numBuffers) {                                                                        \
        return sonora::openStream<Class>(handle, channelCount, sampleRate, useFloat, numBuffers); \
    }                                                                                             \
    JNIEXPORT void JNICALL Java_com_orv_media_audio_##Class##_nativeClose(JNIEnv *, jclass,       \
                                                                          jlong handle) {         \
        if (auto stream = StreamHandle<Class>::get(handle))                                       \
            stream->close();                                                                      \
    }                                                                                             \
    JNIEXPORT jint JNICALL Java_com_orv_media_audio_##Class##_nativeStart(JNIEnv *, jclass,       \
                                                                          jlong handle) {         \
        return sonora::streamOperation<Class>(handle, &Class::start);                             \
    }                                                                                             \
    JNIEXPORT jint JNICALL Java_com_orv_media_audio_##Class##_nativeStop(JNIEnv *, jclass,        \
                                                                         jlong handle) {          \
        return sonora::streamOperation<Class>(handle, &Class::stop);                              \
    }                                                                                             \
    JNIEXPORT jint JNICALL Java_com_orv_media_audio_##Class##_nativePause(JNIEnv *, jclass,       \
                                                                          jlong handle) {         \
        return sonora::streamOperation<Class>(handle, &Class::pause);                             \
    }                                                                                             \
    JNIEXPORT jint JNICALL Java_com_orv_media_audio_##Class##_nativeFlush(JNIEnv *, jclass,       \
                                                                          jlong handle) {         \
        return sonora::streamOperation<Class>(handle, &Class::flush);                             \
    }                                                                                             \
    JNIEXPORT jint JNICALL Java_com_orv_media_audio_##Class##_nativeGetPositionInMsec(            \
        JNIEnv *env, jclass, jlong handle, jlongArray position) {                                 \
        return sonora::streamPositionInMsec<Class>(env, handle, position);                        \
    }                                                                                             \
    JNIEXPORT jint JNICALL Java_com_orv_media_audio_##Class##_nativeGetBuffersPending(            \
        JNIEnv *, jclass, jlong handle) {                                                         \
        auto stream = StreamHandle<Class>::get(handle);                                           \
        return stream ? stream->buffersPending() : 0;                                             \
    }                                                                                             \
    JNIEXPORT jint JNICALL Java_com_orv_media_audio_##Class##_nativeTest(                         \
        JNIEnv *, jclass, jint channelCount, jint sampleRate, jboolean useFloat, jint bufferMs,   \
        jint numBuffers) {                                                                        \
        return selfTest({channelCount, sampleRate, useFloat != 0, bufferMs, numBuffers});         \
    }

// Defines, with C linkage, the native `Class`.native<Verb><Type>Array (Type Byte, Short or Float,
// `ArrayType` its jbyteArray, jshortArray or jfloatArray), handing its arguments and its own name
// to `transfer`.
#define SONORA_ARRAY_NATIVE(Class, Verb, Type, ArrayType, transfer)                                \
    JNIEXPORT jint JNICALL Java_com_orv_media_audio_##Class##_native##Verb##Type##Array(           \
        JNIEnv *env, jclass, jlong handle, ArrayType data, jint offset, jint count,                \
        jboolean blocking) {                                                                       \
        return transfer(env, "native" #Verb #Type "Array", handle, data, offset, count, blocking); \
    }
