// Java primitive arrays at the audio natives' boundary: range checks, element access for the
// length of a call, and the conversion of byte counts to elements.
#pragma once

#include "sonora_log.h"

#include <jni.h>

#include <cstddef>
#include <cstdint>

namespace sonora {

constexpr jint kResultBadValue = -22;  // -EINVAL: an array or range that cannot be used
constexpr jint kResultNoStream = -38;  // -ENOSYS: no stream, not open, or OpenSL ES failed

// Bytes of `count` elements of `elementSize` bytes from element `offset` of an array of `length`
// elements; kResultBadValue when `offset` or `count` is negative, the range passes the end of the
// array, or the bytes do not fit a positive jint (the streams report byte counts as int).
int64_t arrayRangeBytes(jsize length, jint offset, jint count, size_t elementSize);

// A positive byte count as whole elements (the fraction dropped); 0 and negative results pass
// unchanged.
jint bytesToElements(long bytes, size_t elementSize);

template <class Array>
struct ArrayAccess;

template <>
struct ArrayAccess<jbyteArray> {
    using Element = jbyte;
    static Element *get(JNIEnv *env, jbyteArray a) { return env->GetByteArrayElements(a, nullptr); }
    static void release(JNIEnv *env, jbyteArray a, Element *e) {
        env->ReleaseByteArrayElements(a, e, 0);
    }
};

template <>
struct ArrayAccess<jshortArray> {
    using Element = jshort;
    static Element *get(JNIEnv *env, jshortArray a) {
        return env->GetShortArrayElements(a, nullptr);
    }
    static void release(JNIEnv *env, jshortArray a, Element *e) {
        env->ReleaseShortArrayElements(a, e, 0);
    }
};

template <>
struct ArrayAccess<jfloatArray> {
    using Element = jfloat;
    static Element *get(JNIEnv *env, jfloatArray a) {
        return env->GetFloatArrayElements(a, nullptr);
    }
    static void release(JNIEnv *env, jfloatArray a, Element *e) {
        env->ReleaseFloatArrayElements(a, e, 0);
    }
};

// The elements of a Java array while the object lives; released with mode 0 (copied back and
// freed) at the end of the scope, whatever happened meanwhile.
template <class Array>
class ArrayElements {
public:
    using Element = typename ArrayAccess<Array>::Element;
    ArrayElements(JNIEnv *env, Array array)
        : env_(env), array_(array), elements_(ArrayAccess<Array>::get(env, array)) {}
    ~ArrayElements() {
        if (elements_ != nullptr) ArrayAccess<Array>::release(env_, array_, elements_);
    }
    ArrayElements(const ArrayElements &) = delete;
    ArrayElements &operator=(const ArrayElements &) = delete;
    Element *get() const { return elements_; }

private:
    JNIEnv *env_;
    Array array_;
    Element *elements_;
};

// Moves `count` elements from element `offset` of a non-null `array` through
// `transfer(address, bytes)` (a stream's read or write, giving bytes or a negative result) and
// returns the elements moved or the negative result. A bad range gives kResultBadValue and
// touches nothing; elements that cannot be had log `accessError` (ERROR) and give kResultBadValue.
template <class Array, class Transfer>
jint transferElements(JNIEnv *env, Array array, jint offset, jint count, const char *accessError,
                      Transfer transfer) {
    using Element = typename ArrayAccess<Array>::Element;
    const int64_t bytes = arrayRangeBytes(env->GetArrayLength(array), offset, count, sizeof(Element));
    if (bytes < 0) return kResultBadValue;
    ArrayElements<Array> elements(env, array);
    if (elements.get() == nullptr) {
        SONORA_LOGE("%s", accessError);
        return kResultBadValue;
    }
    const long result = transfer(elements.get() + offset, static_cast<size_t>(bytes));
    return bytesToElements(result, sizeof(Element));
}

}  // namespace sonora
