#include "fake_jni.h"

#include <cstdlib>
#include <cstring>

namespace audiojnitest {
namespace {

std::mutex g_mutex;

FakeArray *array(jarray a) {
    return reinterpret_cast<FakeArray *>(a);
}

jsize JNICALL getArrayLength(JNIEnv *, jarray a) {
    return array(a)->length;
}

void *getElements(jarray a) {
    FakeArray *fa = array(a);
    std::lock_guard<std::mutex> lock(g_mutex);
    if (fa->refuse)
        return nullptr;
    ++fa->gets;
    void *copy = std::malloc(fa->bytes.size() + 1);
    std::memcpy(copy, fa->bytes.data(), fa->bytes.size());
    return copy;
}

void releaseElements(jarray a, void *elements, jint mode) {
    FakeArray *fa = array(a);
    std::lock_guard<std::mutex> lock(g_mutex);
    ++fa->releases;
    fa->lastReleaseMode = mode;
    if (mode != JNI_ABORT)
        std::memcpy(fa->bytes.data(), elements, fa->bytes.size());
    if (mode != JNI_COMMIT)
        std::free(elements);
}

jbyte *JNICALL getBytes(JNIEnv *, jbyteArray a, jboolean *) {
    return static_cast<jbyte *>(getElements(a));
}
void JNICALL releaseBytes(JNIEnv *, jbyteArray a, jbyte *e, jint mode) {
    releaseElements(a, e, mode);
}
jshort *JNICALL getShorts(JNIEnv *, jshortArray a, jboolean *) {
    return static_cast<jshort *>(getElements(a));
}
void JNICALL releaseShorts(JNIEnv *, jshortArray a, jshort *e, jint mode) {
    releaseElements(a, e, mode);
}
jfloat *JNICALL getFloats(JNIEnv *, jfloatArray a, jboolean *) {
    return static_cast<jfloat *>(getElements(a));
}
void JNICALL releaseFloats(JNIEnv *, jfloatArray a, jfloat *e, jint mode) {
    releaseElements(a, e, mode);
}
void *JNICALL getCritical(JNIEnv *, jarray a, jboolean *) {
    return getElements(a);
}
void JNICALL releaseCritical(JNIEnv *, jarray a, void *e, jint mode) {
    releaseElements(a, e, mode);
}

JNINativeInterface_ makeTable() {
    JNINativeInterface_ t;
    std::memset(&t, 0, sizeof t);
    t.GetArrayLength = getArrayLength;
    t.GetByteArrayElements = getBytes;
    t.ReleaseByteArrayElements = releaseBytes;
    t.GetShortArrayElements = getShorts;
    t.ReleaseShortArrayElements = releaseShorts;
    t.GetFloatArrayElements = getFloats;
    t.ReleaseFloatArrayElements = releaseFloats;
    t.GetPrimitiveArrayCritical = getCritical;
    t.ReleasePrimitiveArrayCritical = releaseCritical;
    return t;
}

}  // namespace

JNIEnv *fakeEnv() {
    static const JNINativeInterface_ table = makeTable();
    static JNIEnv env{&table};
    return &env;
}

}  // namespace audiojnitest
