// Natives of com.orv.media.audio.AudioRecordNative.
#include "audio_record_native.h"
#include "stream_natives.h"

using RecordHandle = StreamHandle<AudioRecordNative>;

namespace {

// Reads into the elements (a null array: -22).
template <class Array>
jint readArray(JNIEnv *env, jlong handle, Array data, jint offset, jint count, jboolean blocking) {
    return sonora::transferElements(env, data, offset, count, sonora::ArrayUse::Written,
                                    "Error retrieving destination of audio data to record",
                                    [handle, blocking](void *bytes, size_t size) -> long {
                                        auto record = RecordHandle::get(handle);
                                        if (!record)
                                            return sonora::kResultNoStream;
                                        return record->read(bytes, size, (blocking & 1) != 0);
                                    });
}

}  // namespace

extern "C" {

SONORA_STREAM_NATIVES(AudioRecordNative, Record, sonora::captureSelfTest)

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

}  // extern "C"
