// Natives of com.orv.media.audio.AudioRecordNative.
#include "audio_jni.h"
#include "audio_record_native.h"
#include "self_test.h"
#include "stream_natives.h"

using sonora::kResultNoStream;
using RecordHandle = StreamHandle<AudioRecordNative>;

namespace {

// Reads into the elements (a null array: -22).
template <class Array>
jint readArray(JNIEnv *env, jlong handle, Array data, jint offset, jint count, jboolean blocking) {
    return sonora::transferElements(
        env, data, offset, count, sonora::ArrayUse::Written, "Error retrieving destination of audio data to record",
        [handle, blocking](void *bytes, size_t size) -> long {
            auto record = RecordHandle::get(handle);
            if (!record) return kResultNoStream;
            return record->read(bytes, size, (blocking & 1) != 0);
        });
}

}  // namespace

extern "C" {

JNIEXPORT jlong JNICALL Java_com_orv_media_audio_AudioRecordNative_nativeCreateRecord(JNIEnv *,
                                                                                     jclass) {
    return RecordHandle::create();
}

JNIEXPORT void JNICALL Java_com_orv_media_audio_AudioRecordNative_nativeDestroyRecord(JNIEnv *,
                                                                                     jclass,
                                                                                     jlong handle) {
    RecordHandle::destroy(handle);
}

JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioRecordNative_nativeOpen(
    JNIEnv *, jclass, jlong handle, jint channelCount, jint sampleRate, jboolean useFloat,
    jint numBuffers) {
    return sonora::openStream<AudioRecordNative>(handle, channelCount, sampleRate, useFloat,
                                                 numBuffers);
}

JNIEXPORT void JNICALL Java_com_orv_media_audio_AudioRecordNative_nativeClose(JNIEnv *, jclass,
                                                                             jlong handle) {
    sonora::closeStream<AudioRecordNative>(handle);
}

JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioRecordNative_nativeStart(JNIEnv *, jclass,
                                                                             jlong handle) {
    return sonora::streamOperation<AudioRecordNative>(handle, &AudioRecordNative::start);
}

JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioRecordNative_nativeStop(JNIEnv *, jclass,
                                                                            jlong handle) {
    return sonora::streamOperation<AudioRecordNative>(handle, &AudioRecordNative::stop);
}

JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioRecordNative_nativePause(JNIEnv *, jclass,
                                                                             jlong handle) {
    return sonora::streamOperation<AudioRecordNative>(handle, &AudioRecordNative::pause);
}

JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioRecordNative_nativeFlush(JNIEnv *, jclass,
                                                                             jlong handle) {
    return sonora::streamOperation<AudioRecordNative>(handle, &AudioRecordNative::flush);
}

JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioRecordNative_nativeGetPositionInMsec(
    JNIEnv *env, jclass, jlong handle, jlongArray position) {
    return sonora::streamPositionInMsec<AudioRecordNative>(env, handle, position);
}

JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioRecordNative_nativeGetBuffersPending(
    JNIEnv *, jclass, jlong handle) {
    return sonora::streamBuffersPending<AudioRecordNative>(handle);
}

JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioRecordNative_nativeReadByteArray(
    JNIEnv *env, jclass, jlong handle, jbyteArray data, jint offset, jint size, jboolean blocking) {
    return readArray(env, handle, data, offset, size, blocking);
}

JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioRecordNative_nativeReadShortArray(
    JNIEnv *env, jclass, jlong handle, jshortArray data, jint offset, jint count,
    jboolean blocking) {
    return readArray(env, handle, data, offset, count, blocking);
}

JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioRecordNative_nativeReadFloatArray(
    JNIEnv *env, jclass, jlong handle, jfloatArray data, jint offset, jint count,
    jboolean blocking) {
    return readArray(env, handle, data, offset, count, blocking);
}

JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioRecordNative_nativeTest(
    JNIEnv *, jclass, jint channelCount, jint sampleRate, jboolean useFloat, jint bufferMs,
    jint numBuffers) {
    return sonora::captureSelfTest({channelCount, sampleRate, useFloat != 0, bufferMs, numBuffers});
}

}  // extern "C"
