#include "fake_jni.h"

#include <cstdlib>
#include <cstring>

namespace audiojnitest {
namespace {

std::mutex g_mutex;
thread_local FakeArray *g_refused = nullptr;  // the array whose refusal raised the exception

FakeArray *array(jarray a) {
    return reinterpret_cast<FakeArray *>(a);
}

jsize JNICALL getArrayLength(JNIEnv *, jarray a) {
    return array(a)->length;
}

void *getElements(jarray a) {
    FakeArray *fa = array(a);
    std::lock_guard<std::mutex> lock(g_mutex);
    if (fa->refuse) {
        g_refused = fa;  // a VM raises OutOfMemoryError here
        return nullptr;
    }
    ++fa->gets;
    void *copy = std::malloc(fa->bytes.size() + 1);
    std::memcpy(copy, fa->bytes.data(), fa->bytes.size());
    if (fa->javaWrites >= 0)
        fa->bytes[static_cast<size_t>(fa->javaWrites)] = 0x5A;
    return copy;
}

template <class A, class E>
void JNICALL setRegion(JNIEnv *, A a, jsize start, jsize count, const E *from) {
    FakeArray *fa = array(a);
    std::lock_guard<std::mutex> lock(g_mutex);
    std::memcpy(fa->bytes.data() + static_cast<size_t>(start) * sizeof(E), from,
                static_cast<size_t>(count) * sizeof(E));
}

void JNICALL exceptionClear(JNIEnv *) {
    if (g_refused != nullptr)
        ++g_refused->exceptionsCleared;
    g_refused = nullptr;
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

jbyte *JNICALL getBytes(JNIEnv *, jbyteArray a, jboolean *isCopy) {
    if (isCopy != nullptr)
        *isCopy = JNI_TRUE;
    return static_cast<jbyte *>(getElements(a));
}
void JNICALL releaseBytes(JNIEnv *, jbyteArray a, jbyte *e, jint mode) {
    releaseElements(a, e, mode);
}
jshort *JNICALL getShorts(JNIEnv *, jshortArray a, jboolean *isCopy) {
    if (isCopy != nullptr)
        *isCopy = JNI_TRUE;
    return static_cast<jshort *>(getElements(a));
}
void JNICALL releaseShorts(JNIEnv *, jshortArray a, jshort *e, jint mode) {
    releaseElements(a, e, mode);
}
jfloat *JNICALL getFloats(JNIEnv *, jfloatArray a, jboolean *isCopy) {
    if (isCopy != nullptr)
        *isCopy = JNI_TRUE;
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
    t.SetByteArrayRegion = setRegion<jbyteArray, jbyte>;
    t.SetShortArrayRegion = setRegion<jshortArray, jshort>;
    t.SetFloatArrayRegion = setRegion<jfloatArray, jfloat>;
    t.ExceptionClear = exceptionClear;
    return t;
}

}  // namespace

JNIEnv *fakeEnv() {
    static const JNINativeInterface_ table = makeTable();
    static JNIEnv env{&table};
    return &env;
}

}  // namespace audiojnitest
