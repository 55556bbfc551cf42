// The natives through which an ORVVideoDevice object drives its camera: open with the
// object's parameters, encoder updates, streaming, frame reads, commands, PTZ, and the OSD and
// HDMI-input queries by node path.
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "camera_device.h"
#include "camera_device_jni.h"
#include "camera_device_jni_natives.h"
#include "camera_device_jni_support.h"
#include "camera_discovery.h"

namespace camera_jni {
namespace {

// The fields of CameraParams that the object's getParameter fills, in the order asked.
struct ParamKey {
    const char *key;
    int CameraParams::*field;
};
const ParamKey kParamKeys[] = {
    {"pixfmt", &CameraParams::pixfmt},   {"width", &CameraParams::width},
    {"height", &CameraParams::height},   {"framerate", &CameraParams::framerate},
    {"profile", &CameraParams::profile}, {"rate control mode", &CameraParams::rate_control_mode},
    {"bitrate", &CameraParams::bitrate}, {"i-frame peroid", &CameraParams::iframe_period},
};

CameraParams default_params() {
    CameraParams p;
    memset(&p, 0, sizeof p);
    p.pixfmt = 0x34363248;  // "H264"
    p.width = 1920;
    p.height = 1080;
    p.framerate = 30;
    p.profile = 1;
    p.reserved = 31;
    p.rate_control_mode = 2;
    p.bitrate = 1920000;
    p.iframe_period = 5;
    return p;
}

// One key through getParameter: atoi of the answer, or -1 for null (and for an answer that
// throws or whose characters can't be had).
int ask_parameter(JNIEnv *env, jobject thiz, jmethodID get, const char *key) {
    LocalRef<jstring> jkey(env, env->NewStringUTF(key));
    if (!jkey) {
        clear_exception(env, "open", "getParameter key");
        return -1;
    }
    LocalRef<jstring> value(env,
                            static_cast<jstring>(env->CallObjectMethod(thiz, get, jkey.get())));
    if (clear_exception(env, "open", "getParameter threw, taken as null"))
        return -1;
    if (!value)
        return -1;
    UtfChars chars(env, value.get());
    return chars.get() != nullptr ? atoi(chars.get()) : -1;
}

// Fills `params` from the object's getParameter, when the class has one.
void read_parameters(JNIEnv *env, jobject thiz, CameraParams *params) {
    LocalRef<jclass> cls(env, find_class(env, kDeviceClass));
    jmethodID get = nullptr;
    if (cls) {
        get = env->GetMethodID(cls.get(), "getParameter", "(Ljava/lang/String;)Ljava/lang/String;");
        if (get == nullptr)
            drop_exception(env);  // NoSuchMethodError
    }
    if (get == nullptr) {
        JNI_LOG(ANDROID_LOG_ERROR, "getParameter error");
        return;
    }
    for (const ParamKey &k : kParamKeys)
        params->*k.field = ask_parameter(env, thiz, get, k.key);
}

// The String overload's routines, by key; the routine's result is not looked at.
typedef int (*UpdateFn)(int unit, int fd, int value);
struct UpdateKey {
    const char *key;
    UpdateFn update;
};
const UpdateKey kUpdateKeys[] = {
    {"framerate", update_framerate},
    {"profile", update_profile},
    {"rate control mode", update_rate_control_mode},
    {"bitrate", update_bitrate},
    {"i-frame peroid", update_iframe_period},
};

}  // namespace

jint native_open(JNIEnv *env, jobject thiz, jstring path) {
    UtfChars name(env, path);
    if (path_chars(name) == nullptr)
        return -1;
    JNI_LOG(ANDROID_LOG_INFO, "get devName:%s", name.get());
    CameraParams params = default_params();
    read_parameters(env, thiz, &params);
    const int fd = open_device(getUnitId(name.get()), name.get(), &params, 0, nullptr);
    if (fd > 0) {
        set_device_fd(env, thiz, fd);
        JNI_LOG(ANDROID_LOG_INFO, "open_device ok:%d", fd);
        return 0;
    }
    JNI_LOG(ANDROID_LOG_ERROR, "open_device error, fd:%d dev:%s", fd, name.get());
    return -1;
}

void native_close(JNIEnv *env, jobject thiz) {
    JNI_LOG_AT(ANDROID_LOG_INFO, "closeDevice", "");
    const int fd = device_fd(env, thiz);
    if (fd > 0)
        close_device(fd);
}

jint native_updateParameter(JNIEnv *env, jobject thiz, jstring key, jstring value) {
    JNI_LOG_AT(ANDROID_LOG_INFO, "updateParameter", "");
    UtfChars k(env, key);
    UtfChars v(env, value);
    if (k.get() == nullptr || v.get() == nullptr)
        return -1;
    const int fd = device_fd(env, thiz);
    const int parsed = atoi(v.get());
    const uint8_t unit = device_unit(fd);
    for (const UpdateKey &u : kUpdateKeys) {
        if (strcmp(k.get(), u.key) == 0) {
            u.update(unit, fd, parsed);
            break;
        }
    }
    JNI_LOG_AT(ANDROID_LOG_INFO, "updateParameter", " %s:%d", k.get(), parsed);
    return 0;
}

jint native_updateParameterObj(JNIEnv *env, jobject thiz, jstring key, jobject value) {
    JNI_LOG_AT(ANDROID_LOG_INFO, "updateParameterObj", "");
    UtfChars k(env, key);
    if (k.get() == nullptr)
        return -1;
    const int fd = device_fd(env, thiz);
    const uint8_t unit = device_unit(fd);
    if (strcmp(k.get(), "size") != 0)
        return 0;
    LocalRef<jclass> size_class(env, find_class(env, kPixelSizeClass));
    if (!size_class || value == nullptr || !env->IsInstanceOf(value, size_class.get()))
        return -1;
    jfieldID width = env->GetFieldID(size_class.get(), "width", "I");
    jfieldID height = width != nullptr ? env->GetFieldID(size_class.get(), "height", "I") : nullptr;
    if (height == nullptr) {
        drop_exception(env);
        return -1;
    }
    update_resolution(unit, fd, env->GetIntField(value, width), env->GetIntField(value, height));
    return 0;
}

jint native_startCapture(JNIEnv *env, jobject thiz) {
    JNI_LOG_AT(ANDROID_LOG_INFO, "startCapture", "");
    const int fd = device_fd(env, thiz);
    if (fd <= 0)
        return -1;
    if (start_capture(fd) < 0) {
        JNI_LOG(ANDROID_LOG_ERROR, "start_capture error");
        return -1;
    }
    JNI_LOG_AT(ANDROID_LOG_INFO, "startCapture", " start_capture ok");
    return 0;
}

void native_stopCapture(JNIEnv *env, jobject thiz) {
    JNI_LOG_AT(ANDROID_LOG_INFO, "stopCapture", "");
    const int fd = device_fd(env, thiz);
    if (fd > 0)
        stop_capture(fd);
}

jbyteArray native_readByteData(JNIEnv *env, jobject thiz) {
    const int fd = device_fd(env, thiz);
    if (fd <= 0)
        return nullptr;
    unsigned char *data = nullptr;
    const int length = read_h264_data(fd, &data);
    // Only a lost device makes the object gone: a read that timed out, was interrupted, or
    // found the device not capturing leaves it usable.
    if (length < 0 && errno == ENODEV)
        mark_camera_gone(env, thiz);
    if (length <= 0 || data == nullptr)
        return nullptr;
    jbyteArray frame = env->NewByteArray(length);
    if (frame == nullptr) {
        clear_exception(env, "readByteData", "no array for the frame");
        return nullptr;
    }
    env->SetByteArrayRegion(frame, 0, length, reinterpret_cast<const jbyte *>(data));
    return frame;
}

jint native_sendCommand(JNIEnv *env, jobject thiz, jint command) {
    JNI_LOG_AT(ANDROID_LOG_INFO, "sendCommand", "");
    const int fd = device_fd(env, thiz);
    if (fd < 1)
        return -1;
    return send_uvc_command(device_unit(fd), fd, command);
}

jint native_startPTZ(JNIEnv *env, jobject thiz, jint movement, jint value) {
    JNI_LOG_AT(ANDROID_LOG_INFO, "startPTZ", "");
    const int fd = device_fd(env, thiz);
    if (fd < 1)
        return -1;
    return start_ptz(fd, static_cast<unsigned>(movement), value);
}

jint native_stopPTZ(JNIEnv *env, jobject thiz, jint movement) {
    JNI_LOG_AT(ANDROID_LOG_INFO, "stopPTZ", "");
    const int fd = device_fd(env, thiz);
    if (fd < 1)
        return -1;
    return stop_ptz(fd, static_cast<unsigned>(movement));
}

jint native_sendOsdCommand(JNIEnv *env, jobject, jstring path, jint command) {
    UtfChars name(env, path);
    return path_chars(name) != nullptr ? send_osd_command_by_dev_name(name.get(), command) : -1;
}

jint native_getOsdStatus(JNIEnv *env, jobject, jstring path) {
    UtfChars name(env, path);
    return path_chars(name) != nullptr ? get_osd_status_by_dev_name(name.get()) : -1;
}

jint native_getHDMIINState(JNIEnv *env, jobject, jstring path) {
    UtfChars name(env, path);
    return path_chars(name) != nullptr ? camera_get_hdmiin_state(name.get()) : 0;
}

}  // namespace camera_jni
