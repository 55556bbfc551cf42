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

SONORA_ARRAY_NATIVE(AudioTrackNative, Write, Byte, jbyteArray, writeArray)
SONORA_ARRAY_NATIVE(AudioTrackNative, Write, Short, jshortArray, writeArray)
SONORA_ARRAY_NATIVE(AudioTrackNative, Write, Float, jfloatArray, writeArray)

}  // extern "C"
