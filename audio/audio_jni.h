// The natives of com.orv.media.audio.AudioTrackNative and AudioRecordNative, bound by their
// exported names. The `long` handle is a StreamHandle (stream_handle.h). Results: 0 success,
// -38 when the handle holds no stream, the stream is not open or OpenSL ES fails, -22 for a
// null array, an array or range that cannot be used, or a negative value or a sample rate whose
// milliHertz do not fit 32 bits in nativeOpen, positive counts. Handle 0 with a usable array
// never reaches a stream: -38 (0 for the pending count; nothing for close and destroy); create
// gives 0 when the stream cannot be made. The second parameter is not used.
#pragma once

#include <jni.h>

extern "C" {

// AudioTrackNative
JNIEXPORT jlong JNICALL Java_com_orv_media_audio_AudioTrackNative_nativeCreateTrack(JNIEnv *,
                                                                                    jclass);
JNIEXPORT void JNICALL Java_com_orv_media_audio_AudioTrackNative_nativeDestroyTrack(JNIEnv *,
                                                                                    jclass,
                                                                                    jlong handle);
JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioTrackNative_nativeOpen(
    JNIEnv *, jclass, jlong handle, jint channelCount, jint sampleRate, jboolean useFloat,
    jint numBuffers);
JNIEXPORT void JNICALL Java_com_orv_media_audio_AudioTrackNative_nativeClose(JNIEnv *, jclass,
                                                                             jlong handle);
JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioTrackNative_nativeStart(JNIEnv *, jclass,
                                                                             jlong handle);
JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioTrackNative_nativeStop(JNIEnv *, jclass,
                                                                            jlong handle);
JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioTrackNative_nativePause(JNIEnv *, jclass,
                                                                             jlong handle);
JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioTrackNative_nativeFlush(JNIEnv *, jclass,
                                                                             jlong handle);
JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioTrackNative_nativeGetPositionInMsec(
    JNIEnv *, jclass, jlong handle, jlongArray position);
JNIEXPORT jint JNICALL
Java_com_orv_media_audio_AudioTrackNative_nativeGetBuffersPending(JNIEnv *, jclass, jlong handle);
JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioTrackNative_nativeWriteByteArray(
    JNIEnv *, jclass, jlong handle, jbyteArray data, jint offset, jint size, jboolean blocking);
JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioTrackNative_nativeWriteShortArray(
    JNIEnv *, jclass, jlong handle, jshortArray data, jint offset, jint count, jboolean blocking);
JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioTrackNative_nativeWriteFloatArray(
    JNIEnv *, jclass, jlong handle, jfloatArray data, jint offset, jint count, jboolean blocking);
JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioTrackNative_nativeTest(
    JNIEnv *, jclass, jint channelCount, jint sampleRate, jboolean useFloat, jint bufferMs,
    jint numBuffers);

// AudioRecordNative
JNIEXPORT jlong JNICALL Java_com_orv_media_audio_AudioRecordNative_nativeCreateRecord(JNIEnv *,
                                                                                      jclass);
JNIEXPORT void JNICALL Java_com_orv_media_audio_AudioRecordNative_nativeDestroyRecord(JNIEnv *,
                                                                                      jclass,
                                                                                      jlong handle);
JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioRecordNative_nativeOpen(
    JNIEnv *, jclass, jlong handle, jint channelCount, jint sampleRate, jboolean useFloat,
    jint numBuffers);
JNIEXPORT void JNICALL Java_com_orv_media_audio_AudioRecordNative_nativeClose(JNIEnv *, jclass,
                                                                              jlong handle);
JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioRecordNative_nativeStart(JNIEnv *, jclass,
                                                                              jlong handle);
JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioRecordNative_nativeStop(JNIEnv *, jclass,
                                                                             jlong handle);
JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioRecordNative_nativePause(JNIEnv *, jclass,
                                                                              jlong handle);
JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioRecordNative_nativeFlush(JNIEnv *, jclass,
                                                                              jlong handle);
JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioRecordNative_nativeGetPositionInMsec(
    JNIEnv *, jclass, jlong handle, jlongArray position);
JNIEXPORT jint JNICALL
Java_com_orv_media_audio_AudioRecordNative_nativeGetBuffersPending(JNIEnv *, jclass, jlong handle);
JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioRecordNative_nativeReadByteArray(
    JNIEnv *, jclass, jlong handle, jbyteArray data, jint offset, jint size, jboolean blocking);
JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioRecordNative_nativeReadShortArray(
    JNIEnv *, jclass, jlong handle, jshortArray data, jint offset, jint count, jboolean blocking);
JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioRecordNative_nativeReadFloatArray(
    JNIEnv *, jclass, jlong handle, jfloatArray data, jint offset, jint count, jboolean blocking);
JNIEXPORT jint JNICALL Java_com_orv_media_audio_AudioRecordNative_nativeTest(
    JNIEnv *, jclass, jint channelCount, jint sampleRate, jboolean useFloat, jint bufferMs,
    jint numBuffers);

}  // extern "C"
