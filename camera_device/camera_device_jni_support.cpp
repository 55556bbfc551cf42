#include "camera_device_jni_support.h"

#include <cstring>

#include "camera_device.h"
#include "camera_device_jni.h"

namespace camera_jni {

UtfChars::UtfChars(JNIEnv *env, jstring s) : env_(env), string_(s), chars_(nullptr) {
    if (s == nullptr)
        return;
    chars_ = env->GetStringUTFChars(s, nullptr);
    if (chars_ == nullptr)
        drop_exception(env);  // OutOfMemoryError
}

UtfChars::~UtfChars() {
    if (chars_ != nullptr)
        env_->ReleaseStringUTFChars(string_, chars_);
}

const char *path_chars(const UtfChars &path) {
    if (path.get() == nullptr)
        JNI_LOG(ANDROID_LOG_ERROR, "get devName error");
    return path.get();
}

namespace {

// The exception's toString(), or its absence; leaves nothing pending.
std::string describe(JNIEnv *env, jthrowable t) {
    LocalRef<jclass> cls(env, env->GetObjectClass(t));
    jmethodID to_string = env->GetMethodID(cls.get(), "toString", "()Ljava/lang/String;");
    if (to_string == nullptr) {
        drop_exception(env);
        return "?";
    }
    LocalRef<jstring> text(env, static_cast<jstring>(env->CallObjectMethod(t, to_string)));
    if (drop_exception(env) || !text)
        return "?";
    UtfChars chars(env, text.get());
    return chars.get() != nullptr ? chars.get() : "?";
}

}  // namespace

bool clear_exception(JNIEnv *env, const char *op, const char *what) {
    if (!env->ExceptionCheck())
        return false;
    LocalRef<jthrowable> t(env, env->ExceptionOccurred());
    env->ExceptionClear();
    if (orv_log_enabled(ANDROID_LOG_ERROR)) {
        const std::string text = describe(env, t.get());
        JNI_LOG_AT(ANDROID_LOG_ERROR, op, " %s: %s", what, text.c_str());
    }
    return true;
}

bool drop_exception(JNIEnv *env) {
    if (!env->ExceptionCheck())
        return false;
    env->ExceptionClear();
    return true;
}

jclass find_class(JNIEnv *env, const char *name) {
    jclass cls = env->FindClass(name);
    if (cls == nullptr)
        drop_exception(env);
    return cls;
}

namespace {

// A field of ORVVideoDevice; null (nothing pending) when the class or the field is missing.
jfieldID device_field(JNIEnv *env, const char *name, const char *signature) {
    LocalRef<jclass> cls(env, find_class(env, kDeviceClass));
    if (!cls)
        return nullptr;
    jfieldID field = env->GetFieldID(cls.get(), name, signature);
    if (field == nullptr)
        drop_exception(env);
    return field;
}

jfieldID device_id_field(JNIEnv *env) {
    return device_field(env, "mDeviceId", "I");
}

}  // namespace

int device_fd(JNIEnv *env, jobject thiz) {
    jfieldID field = device_id_field(env);
    return field != nullptr ? env->GetIntField(thiz, field) : 0;
}

bool set_device_fd(JNIEnv *env, jobject thiz, int fd) {
    jfieldID field = device_id_field(env);
    if (field == nullptr)
        return false;
    env->SetIntField(thiz, field, fd);
    return true;
}

void mark_camera_gone(JNIEnv *env, jobject thiz) {
    if (jfieldID field = device_field(env, "mCameraGone", "Z"))
        env->SetBooleanField(thiz, field, JNI_TRUE);
}

uint8_t device_unit(int fd) {
    char name[16];
    memset(name, 0, sizeof name);
    get_opened_device_name_by_fd(fd, name);
    name[sizeof name - 1] = '\0';
    return getUnitId(name);
}

}  // namespace camera_jni
