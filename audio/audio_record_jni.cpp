// Natives of com.orv.media.audio.AudioRecordNative.
#include "audio_record_native.h"
#include "stream_natives.h"

using RecordHandle = StreamHandle<AudioRecordNative>;

namespace {

// Reads into the elements (a null array: -22).
template <class Array>
jint readArray(JNIEnv *env, const char *, jlong handle, Array data, jint offset, jint count,
               jboolean blocking) {
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

SONORA_ARRAY_NATIVE(AudioRecordNative, Read, Byte, jbyteArray, readArray)
SONORA_ARRAY_NATIVE(AudioRecordNative, Read, Short, jshortArray, readArray)
SONORA_ARRAY_NATIVE(AudioRecordNative, Read, Float, jfloatArray, readArray)

}  // extern "C"
