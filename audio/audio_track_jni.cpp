// Natives of com.orv.media.audio.AudioTrackNative.
#include "audio_jni.h"
#include "audio_track_native.h"
#include "self_test.h"
#include "stream_natives.h"

using sonora::kResultNoStream;
using TrackHandle = StreamHandle<AudioTrackNative>;

namespace {

// Logs the call, then queues a copy of the elements (a null array: -22). The elements are only
// read, so they are released without being copied back.
template <class Array>
jint writeArray(JNIEnv *env, const char *name, jlong handle, Array data, jint offset, jint count,
                jboolean blocking) {
    SONORA_LOG(ANDROID_LOG_VERBOSE, "%s(%p, %d, %d, %d)", name, static_cast<void *>(data), offset,
               count, blocking);
    return sonora::transferElements(
        env, data, offset, count, sonora::ArrayUse::ReadOnly, "Error retrieving source of audio data to play",
        [handle, blocking](const void *bytes, size_t size) -> long {
            auto track = TrackHandle::get(handle);
            if (!track) return kResultNoStream;
            return track->write(bytes, size, (blocking & 1) != 0);
        });
}

}  // namespace

extern "C" {

JNIEXPORT jlong JNICALL Java_com_orv_media_audio_AudioTrackNative_nativeCreateTrack(JNIEnv *,
                                                                                   jclass) {
    return TrackHandle::create();
}

JNIEXPORT void JNICALL Java_com_orv_media_audio_AudioTrackNative_nativeDestroyTrack(JNIEnv *, jclass,
                                                                                   jlong handle) {
    TrackHandle::destroy(handle);
}

JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioTrackNative_nativeOpen(
    JNIEnv *, jclass, jlong handle, jint channelCount, jint sampleRate, jboolean useFloat,
    jint numBuffers) {
    return sonora::openStream<AudioTrackNative>(handle, channelCount, sampleRate, useFloat,
                                                numBuffers);
}

JNIEXPORT void JNICALL Java_com_orv_media_audio_AudioTrackNative_nativeClose(JNIEnv *, jclass,
                                                                            jlong handle) {
    sonora::closeStream<AudioTrackNative>(handle);
}

JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioTrackNative_nativeStart(JNIEnv *, jclass,
                                                                            jlong handle) {
    return sonora::streamOperation<AudioTrackNative>(handle, &AudioTrackNative::start);
}

JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioTrackNative_nativeStop(JNIEnv *, jclass,
                                                                           jlong handle) {
    return sonora::streamOperation<AudioTrackNative>(handle, &AudioTrackNative::stop);
}

JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioTrackNative_nativePause(JNIEnv *, jclass,
                                                                            jlong handle) {
    return sonora::streamOperation<AudioTrackNative>(handle, &AudioTrackNative::pause);
}

JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioTrackNative_nativeFlush(JNIEnv *, jclass,
                                                                            jlong handle) {
    return sonora::streamOperation<AudioTrackNative>(handle, &AudioTrackNative::flush);
}

JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioTrackNative_nativeGetPositionInMsec(
    JNIEnv *env, jclass, jlong handle, jlongArray position) {
    return sonora::streamPositionInMsec<AudioTrackNative>(env, handle, position);
}

JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioTrackNative_nativeGetBuffersPending(
    JNIEnv *, jclass, jlong handle) {
    return sonora::streamBuffersPending<AudioTrackNative>(handle);
}

JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioTrackNative_nativeWriteByteArray(
    JNIEnv *env, jclass, jlong handle, jbyteArray data, jint offset, jint size, jboolean blocking) {
    return writeArray(env, "nativeWriteByteArray", handle, data, offset, size, blocking);
}

JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioTrackNative_nativeWriteShortArray(
    JNIEnv *env, jclass, jlong handle, jshortArray data, jint offset, jint count,
    jboolean blocking) {
    return writeArray(env, "nativeWriteShortArray", handle, data, offset, count, blocking);
}

JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioTrackNative_nativeWriteFloatArray(
    JNIEnv *env, jclass, jlong handle, jfloatArray data, jint offset, jint count,
    jboolean blocking) {
    return writeArray(env, "nativeWriteFloatArray", handle, data, offset, count, blocking);
}

JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioTrackNative_nativeTest(
    JNIEnv *, jclass, jint channelCount, jint sampleRate, jboolean useFloat, jint bufferMs,
    jint numBuffers) {
    return sonora::playbackSelfTest({channelCount, sampleRate, useFloat != 0, bufferMs, numBuffers});
}

}  // extern "C"
