// The camera library's Java binding: the load hook that registers the twenty natives of
// com/orv/camera/ORVVideoDevice, and the rule that picks a node's H.264 extension unit.
#pragma once

// The manager shares this folder; only the binding, the layer on top, may include this.
#ifndef ORV_CAMERA_BINDING
#error "a header of the Java binding, included from below it"
#endif

#include <jni.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Exported load hook: initialises the device table's lock, registers the natives and records
// "ro.product.model". JNI_VERSION_1_4, or -1 when the class or a native is missing.
JNIEXPORT jint JNICALL JNI_OnLoad(JavaVM *vm, void *reserved);

// The UVC H.264 extension unit of a node: 13 for "/dev/video1" on the hosts whose model is
// "R4Q" or "R5Q", 12 for every other path and host (and for a null path).
uint8_t getUnitId(const char *path);

#ifdef __cplusplus
}
#endif
