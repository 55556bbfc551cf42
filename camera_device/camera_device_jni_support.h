// What the binding's natives share: the log prefix, scoped JNI references and characters, the
// clearing of Java exceptions, and the object's descriptor and unit.
#pragma once

// The manager shares this folder; only the binding, the layer on top, may include this.
#ifndef ORV_CAMERA_BINDING
#error "a header of the Java binding, included from below it"
#endif

#include <jni.h>
#include <stdint.h>

#include <string>

#include "orv_log.h"

namespace camera_jni {

// "[camera_device_jni:LINE] [op]" + fmt under the binding's tag.
#define JNI_LOG_AT(priority, op, fmt, ...) \
    ORV_LOG_AT(priority, ORV_TAG_JNI, "camera_device_jni", op, fmt, ##__VA_ARGS__)
// A message of the binding without the location prefix.
#define JNI_LOG(priority, ...) ORV_LOG(priority, ORV_TAG_JNI, __VA_ARGS__)

constexpr char kDeviceClass[] = "com/orv/camera/ORVVideoDevice";
constexpr char kParameterClass[] = "com/orv/camera/Parameter";
constexpr char kPixelSizeClass[] = "com/orv/camera/Parameter$PixelSize";
constexpr char kDeviceInfoClass[] = "com/orv/camera/ORVDeviceInfo";

// A local reference deleted when the scope ends.
template <typename T>
class LocalRef {
  public:
    LocalRef(JNIEnv *env, T ref) : env_(env), ref_(ref) {}
    ~LocalRef() {
        if (ref_ != nullptr)
            env_->DeleteLocalRef(ref_);
    }
    LocalRef(const LocalRef &) = delete;
    LocalRef &operator=(const LocalRef &) = delete;
    T get() const { return ref_; }
    explicit operator bool() const { return ref_ != nullptr; }
    // Hands the reference to the caller (the one returned to Java).
    T release() {
        T r = ref_;
        ref_ = nullptr;
        return r;
    }

  private:
    JNIEnv *env_;
    T ref_;
};

// The modified UTF-8 characters of a Java string, released when the scope ends. A null string,
// or characters the VM can't hand out (the exception is cleared), give get() == nullptr.
class UtfChars {
  public:
    UtfChars(JNIEnv *env, jstring s);
    ~UtfChars();
    UtfChars(const UtfChars &) = delete;
    UtfChars &operator=(const UtfChars &) = delete;
    const char *get() const { return chars_; }

  private:
    JNIEnv *env_;
    jstring string_;
    const char *chars_;
};

// A node path's characters; null after ERROR "get devName error".
const char *path_chars(const UtfChars &path);

// When a Java exception is pending: clears it, logs ERROR "[..] [op] <what>: <exception>" and
// returns true. Nothing is left pending across a native.
bool clear_exception(JNIEnv *env, const char *op, const char *what);

// The same, without a message: for lookups whose failure the caller reports in its own words.
bool drop_exception(JNIEnv *env);

// FindClass; null (with the NoClassDefFoundError cleared) when the class is missing.
jclass find_class(JNIEnv *env, const char *name);

// The object's descriptor, read afresh from its int field mDeviceId; 0 when it can't be read.
int device_fd(JNIEnv *env, jobject thiz);

// Stores a descriptor in the object's mDeviceId; false when the field is missing.
bool set_device_fd(JNIEnv *env, jobject thiz, int fd);

// Sets the object's boolean field mCameraGone, which tells its readFrame that the read failed
// because the camera is gone (not for want of a frame); nothing when the field is missing.
void mark_camera_gone(JNIEnv *env, jobject thiz);

// The extension unit of an open device: getUnitId of the name the device table holds for
// `fd` (12 when no slot holds it).
uint8_t device_unit(int fd);

}  // namespace camera_jni
