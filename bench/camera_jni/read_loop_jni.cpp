// The C side of ReadByteDataBench: read_h264_data in a loop, no copy, one JNI call.
#include <jni.h>

#include "camera_device.h"

extern "C" JNIEXPORT jint JNICALL Java_com_orv_camera_ReadByteDataBench_readLoop(JNIEnv *, jclass,
                                                                                 jint fd,
                                                                                 jint frames) {
    int got = 0;
    for (int i = 0; i < frames; ++i) {
        unsigned char *data = nullptr;
        if (read_h264_data(fd, &data) > 0 && data != nullptr) ++got;
    }
    return got;
}
