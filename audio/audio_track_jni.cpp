// Natives of com.orv.media.audio.AudioTrackNative.
#include "audio_track_native.h"
#include "stream_natives.h"

using TrackHandle = StreamHandle<AudioTrackNative>;

namespace {

// Logs the call, then queues a copy of the elements (a null array: -22). The elements are only
// read, so they are released without being copied back.
template <class Array>
jint writeArray(JNIEnv *env, const char *name, jlong handle, Array data, jint offset, jint count,
                jboolean blocking) {
    SONORA_LOGV("%s(%p, %d, %d, %d)", name, static_cast<void *>(data), offset, count, blocking);
    return sonora::transferElements(env, data, offset, count, sonora::ArrayUse::ReadOnly,
                                    "Error retrieving source of audio data to play",
                                    [handle, blocking](const void *bytes, size_t size) -> long {
                                        auto track = TrackHandle::get(handle);
                                        if (!track)
                                            return sonora::kResultNoStream;
                                        return track->write(bytes, size, (blocking & 1) != 0);
                                    });
}

}  // namespace

extern "C" {

SONORA_STREAM_NATIVES(AudioTrackNative, Track, sonora::playbackSelfTest)

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

}  // extern "C"
