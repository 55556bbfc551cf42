// The C side of ReadByteDataBench: read_h264_data in a loop (no copy), and the binding's lookup
// of mDeviceId alone, each in one JNI call.
#include <jni.h>

#include "camera_device.h"

extern "C" JNIEXPORT jint JNICALL Java_com_orv_camera_ReadByteDataBench_readLoop(JNIEnv *, jclass,
                                                                                 jint fd,
                                                                                 jint frames) {
    int got = 0;
    for (int i = 0; i < frames; ++i) {
        unsigned char *data = nullptr;
        if (read_h264_data(fd, &data) > 0 && data != nullptr)
            ++got;
    }
    return got;
}

// What native_readByteData does before reading: find the class, its field, read the field.
extern "C" JNIEXPORT jlong JNICALL Java_com_orv_camera_ReadByteDataBench_lookupLoop(JNIEnv *env,
                                                                                    jclass,
                                                                                    jobject device,
                                                                                    jint times) {
    jlong sum = 0;
    for (int i = 0; i < times; ++i) {
        jclass cls = env->FindClass("com/orv/camera/ORVVideoDevice");
        if (cls == nullptr)
            return 0;
        jfieldID field = env->GetFieldID(cls, "mDeviceId", "I");
        env->DeleteLocalRef(cls);
        if (field == nullptr)
            return 0;
        sum += env->GetIntField(device, field);
    }
    return sum;
}
