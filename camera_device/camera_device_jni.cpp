// The load hook: the device table's lock, the native table and the host's model.
#include "camera_device_jni.h"

#include <sys/system_properties.h>

#include <cstring>

#include "camera_device.h"
#include "camera_device_jni_natives.h"
#include "camera_device_jni_support.h"

namespace {

// "ro.product.model", written once by the load hook and only read afterwards.
char host_model[PROP_VALUE_MAX];

// One table entry (the JDK's header takes non-const names, the NDK's const ones).
template <typename F>
JNINativeMethod native(const char *name, const char *signature, F f) {
    return {const_cast<char *>(name), const_cast<char *>(signature), reinterpret_cast<void *>(f)};
}

using namespace camera_jni;

// Registered in one call, in this order.
const JNINativeMethod kNatives[] = {
    native("native_getSdkVersion", "()Ljava/lang/String;", native_getSdkVersion),
    native("native_hasValidCamera", "([I)I", native_hasValidCamera),
    native("native_hasValidDualStreamCamera", "([I)I", native_hasValidDualStreamCamera),
    native("native_getCameraVersion", "(II)Ljava/lang/String;", native_getCameraVersion),
    native("native_resetCamera", "(II)I", native_resetCamera),
    native("native_open", "(Ljava/lang/String;)I", native_open),
    native("native_close", "()V", native_close),
    native("native_updateParameter", "(Ljava/lang/String;Ljava/lang/String;)I",
           native_updateParameter),
    native("native_updateParameter", "(Ljava/lang/String;Ljava/lang/Object;)I",
           native_updateParameterObj),
    native("native_startCapture", "()I", native_startCapture),
    native("native_stopCapture", "()V", native_stopCapture),
    native("native_readByteData", "()[B", native_readByteData),
    native("native_createORVCamera", "(Ljava/lang/String;)Lcom/orv/camera/ORVVideoDevice;",
           native_createORVCamera),
    native("native_sendCommand", "(I)I", native_sendCommand),
    native("native_startPTZ", "(II)I", native_startPTZ),
    native("native_stopPTZ", "(I)I", native_stopPTZ),
    native("native_sendOsdCommand", "(Ljava/lang/String;I)I", native_sendOsdCommand),
    native("native_getOsdStatus", "(Ljava/lang/String;)I", native_getOsdStatus),
    native("native_getHDMIINState", "(Ljava/lang/String;)I", native_getHDMIINState),
    native("native_getDeviceInfoList", "()[Lcom/orv/camera/ORVDeviceInfo;",
           native_getDeviceInfoList),
};
static_assert(sizeof kNatives / sizeof kNatives[0] == 20, "the class has twenty natives");

bool register_natives(JNIEnv *env) {
    LocalRef<jclass> cls(env, env->FindClass(kDeviceClass));
    if (!cls) {
        drop_exception(env);  // the runtime reports the refused load itself
        JNI_LOG(ANDROID_LOG_ERROR, "FindClass ORVVideoDevice failed\n");
        return false;
    }
    if (env->RegisterNatives(cls.get(), kNatives, sizeof kNatives / sizeof kNatives[0]) < 0) {
        drop_exception(env);
        JNI_LOG(ANDROID_LOG_ERROR, "RegisterNatives ORVVideoDevice failed\n");
        return false;
    }
    return true;
}

}  // namespace

extern "C" JNIEXPORT jint JNICALL JNI_OnLoad(JavaVM *vm, void * /*reserved*/) {
    init_camera_device();
    JNIEnv *env = nullptr;
    if (vm->GetEnv(reinterpret_cast<void **>(&env), JNI_VERSION_1_4) != JNI_OK) {
        JNI_LOG(ANDROID_LOG_ERROR, "GetEnv failed\n");
        return -1;
    }
    if (!register_natives(env)) {
        JNI_LOG(ANDROID_LOG_ERROR, "registerNatives failed");
        return -1;
    }
    __system_property_get("ro.product.model", host_model);
    JNI_LOG(ANDROID_LOG_DEBUG, "libCamera loaded, device model is %s\n", host_model);
    return JNI_VERSION_1_4;
}

extern "C" uint8_t getUnitId(const char *path) {
    uint8_t unit = 12;
    const bool dual_unit_host = strcmp(host_model, "R4Q") == 0 || strcmp(host_model, "R5Q") == 0;
    if (dual_unit_host && path != nullptr && strcmp(path, "/dev/video1") == 0)
        unit = 13;
    JNI_LOG_AT(ANDROID_LOG_DEBUG, "getUnitId", " unitId = %d", unit);
    return unit;
}
