// JNI bridge for the Java camera tests: the simulated camera's test API (simcam.h). The JVM
// runs with libsimcam preloaded, so this library and libvistara reach the same camera.
#include <jni.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "java_strings.h"

#include "simcam/simcam.h"

namespace {

std::string chars(JNIEnv *env, jstring s) {
    if (s == nullptr)
        return "";
    const char *c = env->GetStringUTFChars(s, nullptr);
    if (c == nullptr)
        return "";
    std::string out(c);
    env->ReleaseStringUTFChars(s, c);
    return out;
}

// Runs a simcam call; its std::invalid_argument becomes an IllegalArgumentException.
template <typename F>
auto guarded(JNIEnv *env, F f) -> decltype(f()) {
    try {
        return f();
    } catch (const std::exception &e) {
        jclass cls = env->FindClass("java/lang/IllegalArgumentException");
        if (cls != nullptr)
            env->ThrowNew(cls, e.what());
        return decltype(f())();
    }
}

bool call_named(const std::string &name, simcam::Call *out) {
    for (int i = 0; i <= static_cast<int>(simcam::Call::kOther); ++i) {
        const auto call = static_cast<simcam::Call>(i);
        if (name == simcam::CallName(call)) {
            *out = call;
            return true;
        }
    }
    return false;
}

}  // namespace

extern "C" {

JNIEXPORT void JNICALL Java_com_orv_testsupport_SimCam_loadConfig(JNIEnv *env, jclass,
                                                                  jstring json) {
    guarded(env, [&] { simcam::LoadConfigText(chars(env, json)); });
}

JNIEXPORT jstring JNICALL Java_com_orv_testsupport_SimCam_defaultConfig(JNIEnv *env, jclass) {
    return env->NewStringUTF(simcam::DefaultConfigText().c_str());
}

JNIEXPORT void JNICALL Java_com_orv_testsupport_SimCam_setSteppedClock(JNIEnv *env, jclass,
                                                                       jstring path) {
    guarded(env, [&] { simcam::SetClock(chars(env, path), simcam::Clock::kStepped); });
}

JNIEXPORT jint JNICALL Java_com_orv_testsupport_SimCam_releaseFrames(JNIEnv *env, jclass,
                                                                     jstring path, jint n) {
    return guarded(env, [&] { return simcam::ReleaseFrames(chars(env, path), n); });
}

JNIEXPORT jobjectArray JNICALL Java_com_orv_testsupport_SimCam_deliveredFrames(JNIEnv *env, jclass,
                                                                               jstring path) {
    const auto frames = guarded(env, [&] { return simcam::DeliveredFrames(chars(env, path)); });
    if (env->ExceptionCheck())
        return nullptr;
    jclass bytes_class = env->FindClass("[B");
    if (bytes_class == nullptr)
        return nullptr;
    jobjectArray out = env->NewObjectArray(static_cast<jsize>(frames.size()), bytes_class, nullptr);
    for (size_t i = 0; out != nullptr && i < frames.size(); ++i) {
        const auto &b = frames[i].bytes;
        jbyteArray a = env->NewByteArray(static_cast<jsize>(b.size()));
        if (a == nullptr)
            return nullptr;
        env->SetByteArrayRegion(a, 0, static_cast<jsize>(b.size()),
                                reinterpret_cast<const jbyte *>(b.data()));
        env->SetObjectArrayElement(out, static_cast<jsize>(i), a);
        env->DeleteLocalRef(a);
    }
    env->DeleteLocalRef(bytes_class);
    return out;
}

JNIEXPORT jobjectArray JNICALL Java_com_orv_testsupport_SimCam_trace(JNIEnv *env, jclass,
                                                                     jstring call_name) {
    simcam::Call call;
    if (!call_named(chars(env, call_name), &call)) {
        jclass cls = env->FindClass("java/lang/IllegalArgumentException");
        if (cls != nullptr)
            env->ThrowNew(cls, "unknown call name");
        return nullptr;
    }
    std::vector<std::string> lines;
    for (const simcam::TraceEntry &e : simcam::TraceOf(call))
        lines.push_back(e.Text());
    return to_java_strings(env, lines);
}

JNIEXPORT void JNICALL Java_com_orv_testsupport_SimCam_clearTrace(JNIEnv *, jclass) {
    simcam::ClearTrace();
}

// {width, height, frame_interval, bitrate, profile, rate_control, iframe_period}
JNIEXPORT jintArray JNICALL Java_com_orv_testsupport_SimCam_encoder(JNIEnv *env, jclass,
                                                                    jstring path) {
    const auto e = guarded(env, [&] { return simcam::GetEncoder(chars(env, path)); });
    if (env->ExceptionCheck())
        return nullptr;
    const jint v[7] = {e.width,
                       e.height,
                       static_cast<jint>(e.frame_interval),
                       static_cast<jint>(e.bitrate),
                       e.profile,
                       e.rate_control,
                       e.iframe_period};
    jintArray out = env->NewIntArray(7);
    if (out != nullptr)
        env->SetIntArrayRegion(out, 0, 7, v);
    return out;
}

JNIEXPORT void JNICALL Java_com_orv_testsupport_SimCam_setOsdStatus(JNIEnv *env, jclass,
                                                                    jstring path, jint status) {
    guarded(env, [&] { simcam::SetOsdStatus(chars(env, path), static_cast<uint8_t>(status)); });
}

JNIEXPORT void JNICALL Java_com_orv_testsupport_SimCam_setHdmiInput(JNIEnv *env, jclass,
                                                                    jstring path, jint state) {
    guarded(env, [&] { simcam::SetHdmiInput(chars(env, path), static_cast<uint8_t>(state)); });
}

JNIEXPORT jint JNICALL Java_com_orv_testsupport_SimCam_lastOsdCommand(JNIEnv *env, jclass,
                                                                      jstring path) {
    return guarded(env, [&] { return simcam::LastOsdCommand(chars(env, path)); });
}

JNIEXPORT jint JNICALL Java_com_orv_testsupport_SimCam_controlValue(JNIEnv *env, jclass,
                                                                    jstring path, jint id) {
    return guarded(
        env, [&] { return simcam::ControlValue(chars(env, path), static_cast<uint32_t>(id)); });
}

JNIEXPORT void JNICALL Java_com_orv_testsupport_SimCam_failOpen(JNIEnv *env, jclass, jstring path,
                                                                jint err) {
    guarded(env, [&] { simcam::FailOpen(chars(env, path), err); });
}

JNIEXPORT void JNICALL Java_com_orv_testsupport_SimCam_unplug(JNIEnv *env, jclass, jstring path) {
    guarded(env, [&] { simcam::Unplug(chars(env, path)); });
}

}  // extern "C"
