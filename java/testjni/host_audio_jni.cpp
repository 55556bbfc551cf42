// JNI bridge for the Java audio tests: the host OpenSL ES layer's test control, the Android log
// as libsonora writes it, and the use count and blocked waits of an audio stream handle.
#include <android/log.h>
#include <jni.h>
#include <opensles_host/test_control.h>
#include <audio_record_native.h>
#include <audio_track_native.h>
#include <stream_handle.h>

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

namespace {

std::mutex g_log_mutex;
std::vector<std::string> g_log_lines;

char priority_letter(int priority) {
    static const char letters[] = "??VDIWEF";
    return priority >= 0 && priority < 8 ? letters[priority] : '?';
}

// Keeps the lines of tag "sonora" as "<priority letter> <text>"; other tags go to stderr.
void capture_logger(const struct __android_logger_data *data, const char *message) {
    const std::string tag = data->tag ? data->tag : "";
    if (tag != "sonora") {
        __android_log_stderr_logger(data, message);
        return;
    }
    std::lock_guard<std::mutex> lock(g_log_mutex);
    g_log_lines.push_back(std::string(1, priority_letter(data->priority)) + " " +
                          (message ? message : ""));
}

std::string utf(JNIEnv *env, jstring s) {
    if (s == nullptr)
        return std::string();
    const char *chars = env->GetStringUTFChars(s, nullptr);
    if (chars == nullptr)
        return std::string();
    std::string out(chars);
    env->ReleaseStringUTFChars(s, chars);
    return out;
}

SLObjectItf last(jint kind) {
    return slhost_last_object(static_cast<slhost_kind>(kind));
}

}  // namespace

extern "C" {

JNIEXPORT jint JNICALL Java_com_orv_testsupport_HostAudio_nativeSetBackend(JNIEnv *env, jclass,
                                                                           jstring name) {
    if (name == nullptr)
        return slhost_set_backend(nullptr);
    return slhost_set_backend(utf(env, name).c_str());
}

JNIEXPORT jint JNICALL Java_com_orv_testsupport_HostAudio_nativeSetCaptureSource(JNIEnv *env,
                                                                                 jclass,
                                                                                 jstring source) {
    if (source == nullptr)
        return slhost_set_capture_source(nullptr);
    return slhost_set_capture_source(utf(env, source).c_str());
}

JNIEXPORT void JNICALL Java_com_orv_testsupport_HostAudio_reset(JNIEnv *, jclass) {
    slhost_reset();
}

JNIEXPORT jint JNICALL Java_com_orv_testsupport_HostAudio_advance(JNIEnv *, jclass, jint ms) {
    return static_cast<jint>(slhost_manual_advance(static_cast<SLuint32>(ms)));
}

JNIEXPORT jint JNICALL Java_com_orv_testsupport_HostAudio_completeNext(JNIEnv *, jclass,
                                                                       jint kind) {
    return slhost_manual_complete_next(last(kind));
}

JNIEXPORT jint JNICALL Java_com_orv_testsupport_HostAudio_addFault(JNIEnv *, jclass, jint op,
                                                                   jint kind, jint result,
                                                                   jint state, jint skip,
                                                                   jint count) {
    slhost_fault fault{};
    fault.op = static_cast<slhost_op>(op);
    fault.kind = static_cast<slhost_kind>(kind);
    fault.result = static_cast<SLresult>(result);
    fault.state = static_cast<SLuint32>(state);
    fault.skip = static_cast<SLuint32>(skip);
    fault.count = count;
    return slhost_fault_add(&fault);
}

JNIEXPORT void JNICALL Java_com_orv_testsupport_HostAudio_clearFaults(JNIEnv *, jclass) {
    slhost_fault_clear();
}

JNIEXPORT jint JNICALL Java_com_orv_testsupport_HostAudio_liveObjects(JNIEnv *, jclass, jint kind) {
    return static_cast<jint>(slhost_live_objects(static_cast<slhost_kind>(kind)));
}

// {state, queued, completed, bytes} of the newest live object of `kind`; null when none.
JNIEXPORT jlongArray JNICALL Java_com_orv_testsupport_HostAudio_lastObjectInfo(JNIEnv *env, jclass,
                                                                               jint kind) {
    slhost_object_info info{};
    if (slhost_object_info_get(last(kind), &info) != 0)
        return nullptr;
    const jlong values[4] = {static_cast<jlong>(info.state), static_cast<jlong>(info.queued),
                             static_cast<jlong>(info.completed), static_cast<jlong>(info.bytes)};
    jlongArray out = env->NewLongArray(4);
    if (out != nullptr)
        env->SetLongArrayRegion(out, 0, 4, values);
    return out;
}

JNIEXPORT void JNICALL Java_com_orv_testsupport_HostAudio_startLogCapture(JNIEnv *, jclass) {
    {
        std::lock_guard<std::mutex> lock(g_log_mutex);
        g_log_lines.clear();
    }
    __android_log_set_minimum_priority(ANDROID_LOG_VERBOSE);
    __android_log_set_logger(capture_logger);
}

JNIEXPORT jobjectArray JNICALL Java_com_orv_testsupport_HostAudio_logLines(JNIEnv *env, jclass) {
    std::vector<std::string> lines;
    {
        std::lock_guard<std::mutex> lock(g_log_mutex);
        lines = g_log_lines;
    }
    jclass string_class = env->FindClass("java/lang/String");
    if (string_class == nullptr)
        return nullptr;
    jobjectArray out = env->NewObjectArray(static_cast<jsize>(lines.size()), string_class, nullptr);
    env->DeleteLocalRef(string_class);
    if (out == nullptr)
        return nullptr;
    for (size_t i = 0; i < lines.size(); ++i) {
        jstring s = env->NewStringUTF(lines[i].c_str());
        if (s == nullptr)
            return nullptr;
        env->SetObjectArrayElement(out, static_cast<jsize>(i), s);
        env->DeleteLocalRef(s);
    }
    return out;
}

JNIEXPORT jlong JNICALL Java_com_orv_testsupport_HostAudio_trackUseCount(JNIEnv *, jclass,
                                                                         jlong handle) {
    auto *cell = reinterpret_cast<StreamHandle<AudioTrackNative> *>(static_cast<uintptr_t>(handle));
    return static_cast<jlong>(cell->stream.use_count());
}

JNIEXPORT jlong JNICALL Java_com_orv_testsupport_HostAudio_recordUseCount(JNIEnv *, jclass,
                                                                          jlong handle) {
    auto *cell =
        reinterpret_cast<StreamHandle<AudioRecordNative> *>(static_cast<uintptr_t>(handle));
    return static_cast<jlong>(cell->stream.use_count());
}

// Waits begun so far on a stream's signal by callers blocked in write / read.
JNIEXPORT jlong JNICALL Java_com_orv_testsupport_HostAudio_trackWaitsBegun(JNIEnv *, jclass,
                                                                           jlong handle) {
    return static_cast<jlong>(StreamHandle<AudioTrackNative>::get(handle)->waitsBegun());
}

JNIEXPORT jlong JNICALL Java_com_orv_testsupport_HostAudio_recordWaitsBegun(JNIEnv *, jclass,
                                                                            jlong handle) {
    return static_cast<jlong>(StreamHandle<AudioRecordNative>::get(handle)->waitsBegun());
}

// For the JNI benchmark: `count` non-blocking writes (reads) of `bytes` bytes made straight on
// the handle's stream from C++, as the natives make them; the nanoseconds they took, or -1 when
// one of them moved fewer bytes.
JNIEXPORT jlong JNICALL Java_com_orv_testsupport_HostAudio_timeTrackWrites(JNIEnv *, jclass,
                                                                           jlong handle, jint count,
                                                                           jint bytes) {
    auto track = StreamHandle<AudioTrackNative>::get(handle);
    std::vector<char> chunk(static_cast<size_t>(bytes));
    const auto start = std::chrono::steady_clock::now();
    for (jint i = 0; i < count; ++i) {
        if (track->write(chunk.data(), chunk.size(), false) != bytes)
            return -1;
    }
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() -
                                                                start)
        .count();
}

JNIEXPORT jlong JNICALL Java_com_orv_testsupport_HostAudio_timeRecordReads(JNIEnv *, jclass,
                                                                           jlong handle, jint count,
                                                                           jint bytes) {
    auto record = StreamHandle<AudioRecordNative>::get(handle);
    std::vector<char> chunk(static_cast<size_t>(bytes));
    const auto start = std::chrono::steady_clock::now();
    for (jint i = 0; i < count; ++i) {
        if (record->read(chunk.data(), chunk.size(), false) != bytes)
            return -1;
    }
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() -
                                                                start)
        .count();
}

}  // extern "C"
