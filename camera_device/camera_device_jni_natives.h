// The twenty natives of com/orv/camera/ORVVideoDevice, bound by the load hook's table.
#pragma once

// The manager shares this folder; only the binding, the layer on top, may include this.
#ifndef ORV_CAMERA_BINDING
#error "a header of the Java binding, included from below it"
#endif

#include <jni.h>

namespace camera_jni {

// Discovery, USB and library queries: the receiver is not used.
jstring native_getSdkVersion(JNIEnv *env, jobject);
jint native_hasValidCamera(JNIEnv *env, jobject, jintArray ids);
jint native_hasValidDualStreamCamera(JNIEnv *env, jobject, jintArray ids);
jstring native_getCameraVersion(JNIEnv *env, jobject, jint vendor, jint product);
jint native_resetCamera(JNIEnv *env, jobject, jint vendor, jint product);
jobject native_createORVCamera(JNIEnv *env, jobject, jstring path);
jobjectArray native_getDeviceInfoList(JNIEnv *env, jobject);

// The object's device, by its mDeviceId.
jint native_open(JNIEnv *env, jobject thiz, jstring path);
void native_close(JNIEnv *env, jobject thiz);
jint native_updateParameter(JNIEnv *env, jobject thiz, jstring key, jstring value);
jint native_updateParameterObj(JNIEnv *env, jobject thiz, jstring key, jobject value);
jint native_startCapture(JNIEnv *env, jobject thiz);
void native_stopCapture(JNIEnv *env, jobject thiz);
jbyteArray native_readByteData(JNIEnv *env, jobject thiz);
jint native_sendCommand(JNIEnv *env, jobject thiz, jint command);
jint native_startPTZ(JNIEnv *env, jobject thiz, jint movement, jint value);
jint native_stopPTZ(JNIEnv *env, jobject thiz, jint movement);

// Commands and queries by node path: the receiver is not used.
jint native_sendOsdCommand(JNIEnv *env, jobject, jstring path, jint command);
jint native_getOsdStatus(JNIEnv *env, jobject, jstring path);
jint native_getHDMIINState(JNIEnv *env, jobject, jstring path);

}  // namespace camera_jni
