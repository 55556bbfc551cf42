// The natives that need no open device: library version, USB queries, the list of the maker's
// cameras, and a ready-made ORVVideoDevice with its supported sizes and frame rates.
#include <cstring>

#include "camera_device_jni_natives.h"
#include "camera_device_jni_support.h"
#include "camera_discovery.h"

namespace camera_jni {
namespace {

constexpr int kFourccH264 = 0x34363248;
constexpr int kCodeH265 = 0;
constexpr int kListSize = 512;

typedef int (*UsbQuery)(int *vendor_out, int *product_out);

// Writes the (vendor, product) that `query` finds into the first two elements of `ids`.
jint usb_ids_into(JNIEnv *env, jintArray ids, UsbQuery query) {
    if (ids == nullptr)
        return -1;
    int vendor = 0, product = 0;
    if (query(&vendor, &product) < 0)
        return -1;
    if (env->GetArrayLength(ids) < 2)
        return -1;
    const jint found[2] = {vendor, product};
    env->SetIntArrayRegion(ids, 0, 2, found);
    return 0;
}

// The two methods through which a Parameter takes one format's lists.
struct ListSetters {
    jmethodID sizes;
    jmethodID rates;
};

// Hands one format's frame sizes and rates to the Parameter object.
void fill_format(JNIEnv *env, jobject parameter, const ListSetters &set, const char *path,
                 int code) {
    char sizes[kListSize] = "";
    char rates[kListSize] = "";
    camera_get_support_frame_sizes(path, code, sizes, kListSize, rates, kListSize);
    sizes[kListSize - 1] = '\0';
    rates[kListSize - 1] = '\0';
    LocalRef<jstring> jsizes(env, env->NewStringUTF(sizes));
    LocalRef<jstring> jrates(env, env->NewStringUTF(rates));
    if (!jsizes || !jrates) {
        clear_exception(env, "createORVCamera", "no strings for the lists");
        return;
    }
    env->CallVoidMethod(parameter, set.sizes, code, jsizes.get());
    clear_exception(env, "createORVCamera", "setSupportPixelSize threw");
    env->CallVoidMethod(parameter, set.rates, code, jrates.get());
    clear_exception(env, "createORVCamera", "setSupportFrameRate threw");
}

// The object's mParameter, or null (also when the class has no such field).
jobject parameter_of(JNIEnv *env, jclass device_class, jobject device) {
    jfieldID field = env->GetFieldID(device_class, "mParameter", "Lcom/orv/camera/Parameter;");
    if (field == nullptr) {
        drop_exception(env);
        return nullptr;
    }
    return env->GetObjectField(device, field);
}

}  // namespace

jstring native_getSdkVersion(JNIEnv *env, jobject) {
    JNI_LOG_AT(ANDROID_LOG_INFO, "getSdkVersion", "");
    jstring version = env->NewStringUTF(get_sdk_version());
    if (version == nullptr)
        clear_exception(env, "getSdkVersion", "no string");
    return version;
}

jint native_hasValidCamera(JNIEnv *env, jobject, jintArray ids) {
    JNI_LOG_AT(ANDROID_LOG_INFO, "hasValidCamera", "");
    return usb_ids_into(env, ids, has_orv_camera);
}

jint native_hasValidDualStreamCamera(JNIEnv *env, jobject, jintArray ids) {
    JNI_LOG_AT(ANDROID_LOG_INFO, "hasValidDualStreamCamera", "");
    return usb_ids_into(env, ids, has_orv_dual_stream_camera);
}

jstring native_getCameraVersion(JNIEnv *env, jobject, jint vendor, jint product) {
    JNI_LOG_AT(ANDROID_LOG_INFO, "getCameraVersion", " vendorid:%d product:%d", vendor, product);
    char version[ORV_CAMERA_VERSION_SIZE];
    memset(version, 0, sizeof version);
    if (get_orv_camera_version(vendor, product, version) < 0)
        return nullptr;
    version[sizeof version - 1] = '\0';
    jstring text = env->NewStringUTF(version);
    if (text == nullptr)
        clear_exception(env, "getCameraVersion", "no string");
    return text;
}

jint native_resetCamera(JNIEnv *, jobject, jint vendor, jint product) {
    JNI_LOG_AT(ANDROID_LOG_INFO, "resetCamera", " vendorid:%d product:%d", vendor, product);
    return reset_orv_camera(vendor, product);
}

jobject native_createORVCamera(JNIEnv *env, jobject, jstring path) {
    UtfChars name(env, path);
    if (path_chars(name) == nullptr)
        return nullptr;
    LocalRef<jclass> device_class(env, find_class(env, kDeviceClass));
    if (!device_class) {
        JNI_LOG(ANDROID_LOG_ERROR, "FindClass ORVVideoDevice failed\n");
        return nullptr;
    }
    jmethodID init = env->GetMethodID(device_class.get(), "<init>", "(Ljava/lang/String;)V");
    if (init == nullptr) {
        drop_exception(env);
        JNI_LOG(ANDROID_LOG_ERROR, "FindClass ORVVideoDevice <init> failed\n");
        return nullptr;
    }
    LocalRef<jobject> device(env, env->NewObject(device_class.get(), init, path));
    if (clear_exception(env, "createORVCamera", "ORVVideoDevice(String) threw") || !device) {
        return nullptr;
    }

    int h264 = 0, h265 = 0;
    if (camera_pixel_format_support_dev(name.get(), &h264, &h265) < 0) {
        JNI_LOG(ANDROID_LOG_WARN, " %s h264 h265 support check fail", name.get());
        return device.release();
    }
    LocalRef<jobject> parameter(env, parameter_of(env, device_class.get(), device.get()));
    if (!parameter)
        return device.release();  // nowhere to put the lists
    LocalRef<jclass> parameter_class(env, find_class(env, kParameterClass));
    if (!parameter_class) {
        JNI_LOG(ANDROID_LOG_ERROR, "FindClass Parameter failed\n");
        return nullptr;
    }
    ListSetters set;
    set.sizes =
        env->GetMethodID(parameter_class.get(), "setSupportPixelSize", "(ILjava/lang/String;)V");
    set.rates = set.sizes != nullptr
                    ? env->GetMethodID(parameter_class.get(), "setSupportFrameRate",
                                       "(ILjava/lang/String;)V")
                    : nullptr;
    if (set.rates == nullptr) {
        drop_exception(env);
        JNI_LOG(ANDROID_LOG_ERROR,
                "GetMethodID Parameter setSupportPixelSize/setSupportFrameRate failed\n");
        return nullptr;
    }
    JNI_LOG(ANDROID_LOG_DEBUG, "%s h264 support %d,h265 support %d", name.get(), h264, h265);
    if (h264) {
        JNI_LOG(ANDROID_LOG_DEBUG, "h264 support --> \n");
        fill_format(env, parameter.get(), set, name.get(), kFourccH264);
    }
    if (h265) {
        JNI_LOG(ANDROID_LOG_DEBUG, "h265 support --> \n");
        fill_format(env, parameter.get(), set, name.get(), kCodeH265);
    }
    return device.release();
}

jobjectArray native_getDeviceInfoList(JNIEnv *env, jobject) {
    DiscoveredCamera found[ORV_DISCOVERY_MAX_CAMERAS];
    memset(found, 0, sizeof found);
    int count = discovery_orv_camera(found);
    if (count < 0)
        count = 0;
    if (count > ORV_DISCOVERY_MAX_CAMERAS)
        count = ORV_DISCOVERY_MAX_CAMERAS;

    LocalRef<jclass> info_class(env, find_class(env, kDeviceInfoClass));
    if (!info_class) {
        JNI_LOG(ANDROID_LOG_ERROR, "FindClass ORVDeviceInfo failed\n");
        return nullptr;
    }
    jmethodID init = env->GetMethodID(info_class.get(), "<init>", "(Ljava/lang/String;IIIZZ)V");
    if (init == nullptr) {
        drop_exception(env);
        JNI_LOG(ANDROID_LOG_ERROR, "FindClass ORVDeviceInfo <init> failed\n");
        return nullptr;
    }
    jobjectArray list = env->NewObjectArray(count, info_class.get(), nullptr);
    if (list == nullptr) {
        clear_exception(env, "getDeviceInfoList", "no array");
        return nullptr;
    }
    for (int i = 0; i < count; ++i) {
        const DiscoveredCamera &c = found[i];
        char name[sizeof c.name + 1];
        memcpy(name, c.name, sizeof c.name);
        name[sizeof c.name] = '\0';
        LocalRef<jstring> jname(env, env->NewStringUTF(name));
        if (!jname) {
            clear_exception(env, "getDeviceInfoList", "no string for the name");
            continue;
        }
        LocalRef<jobject> info(
            env, env->NewObject(info_class.get(), init, jname.get(), static_cast<jint>(c.type),
                                static_cast<jint>(c.vendor_id), static_cast<jint>(c.product_id),
                                static_cast<jboolean>(c.supports_h264 != 0),
                                static_cast<jboolean>(c.supports_h265 != 0)));
        if (clear_exception(env, "getDeviceInfoList", "ORVDeviceInfo threw") || !info)
            continue;
        env->SetObjectArrayElement(list, i, info.get());
    }
    return list;
}

}  // namespace camera_jni
