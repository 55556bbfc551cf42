// JNI bridge for the Java tests: reads and writes the host property store.
#include <host_properties.h>
#include <jni.h>
#include <sys/system_properties.h>

extern "C" JNIEXPORT jstring JNICALL
Java_com_orv_testsupport_HostProperties_nativeGet(JNIEnv *env, jclass, jstring name) {
    const char *n = env->GetStringUTFChars(name, nullptr);
    if (n == nullptr)
        return nullptr;  // OutOfMemoryError pending
    char value[PROP_VALUE_MAX];
    __system_property_get(n, value);
    env->ReleaseStringUTFChars(name, n);
    return env->NewStringUTF(value);
}

extern "C" JNIEXPORT jboolean JNICALL Java_com_orv_testsupport_HostProperties_nativeSet(
    JNIEnv *env, jclass, jstring name, jstring value) {
    const char *n = env->GetStringUTFChars(name, nullptr);
    if (n == nullptr)
        return JNI_FALSE;
    const char *v = env->GetStringUTFChars(value, nullptr);
    if (v == nullptr) {
        env->ReleaseStringUTFChars(name, n);
        return JNI_FALSE;
    }
    const bool ok = orv_host_property_set(n, v) == 0;
    env->ReleaseStringUTFChars(value, v);
    env->ReleaseStringUTFChars(name, n);
    return ok ? JNI_TRUE : JNI_FALSE;
}
