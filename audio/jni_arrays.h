// Java primitive arrays at the audio natives' boundary: range checks, element access for the
// length of a call, and the conversion of byte counts to elements.
#pragma once

#include "results.h"
#include "sonora_log.h"

#include <jni.h>

#include <cstddef>
#include <cstdint>

namespace sonora {

// Bytes of `count` elements of `elementSize` bytes from element `offset` of an array of `length`
// elements; kResultBadValue when `offset` or `count` is negative, the range passes the end of the
// array, or the bytes do not fit a positive jint (the streams report byte counts as int).
int64_t arrayRangeBytes(jsize length, jint offset, jint count, size_t elementSize);

// A positive byte count as whole elements (the fraction dropped); 0 and negative results pass
// unchanged.
jint bytesToElements(long bytes, size_t elementSize);

// How the elements of one kind of Java array are had and given back: one row per array type.
template <class Array, class E, E *(JNIEnv::*Get)(Array, jboolean *),
          void (JNIEnv::*Release)(Array, E *, jint)>
struct ArrayAccessRow {
    using Element = E;
    static Element *get(JNIEnv *env, Array a) { return (env->*Get)(a, nullptr); }
    static void release(JNIEnv *env, Array a, Element *e, jint mode) {
        (env->*Release)(a, e, mode);
    }
};

template <class Array>
struct ArrayAccess;
template <>
struct ArrayAccess<jbyteArray> : ArrayAccessRow<jbyteArray, jbyte, &JNIEnv::GetByteArrayElements,
                                                &JNIEnv::ReleaseByteArrayElements> {};
template <>
struct ArrayAccess<jshortArray>
    : ArrayAccessRow<jshortArray, jshort, &JNIEnv::GetShortArrayElements,
                     &JNIEnv::ReleaseShortArrayElements> {};
template <>
struct ArrayAccess<jfloatArray>
    : ArrayAccessRow<jfloatArray, jfloat, &JNIEnv::GetFloatArrayElements,
                     &JNIEnv::ReleaseFloatArrayElements> {};

// What becomes of the elements when they are released.
enum class ArrayUse {
    ReadOnly,  // JNI_ABORT: freed without copying back, so nothing another thread wrote meanwhile
               // is overwritten with the unchanged elements
    Written,   // mode 0: copied back and freed
};

// The elements of a Java array while the object lives; released at the end of the scope as
// `use` says, whatever happened meanwhile.
template <class Array>
class ArrayElements {
  public:
    using Element = typename ArrayAccess<Array>::Element;
    ArrayElements(JNIEnv *env, Array array, ArrayUse use)
        : env_(env),
          array_(array),
          mode_(use == ArrayUse::ReadOnly ? JNI_ABORT : 0),
          elements_(ArrayAccess<Array>::get(env, array)) {}
    ~ArrayElements() {
        if (elements_ != nullptr)
            ArrayAccess<Array>::release(env_, array_, elements_, mode_);
    }
    ArrayElements(const ArrayElements &) = delete;
    ArrayElements &operator=(const ArrayElements &) = delete;
    Element *get() const { return elements_; }

  private:
    JNIEnv *env_;
    Array array_;
    jint mode_;
    Element *elements_;
};

// Moves `count` elements from element `offset` of `array` through `transfer(address, bytes)`
// (a stream's read or write, giving bytes or a negative result) and returns the elements moved or
// the negative result. A null array or a bad range gives kResultBadValue and touches nothing;
// elements that cannot be had log `accessError` (ERROR) and give kResultBadValue. `use` says
// whether the transfer writes the elements.
template <class Array, class Transfer>
jint transferElements(JNIEnv *env, Array array, jint offset, jint count, ArrayUse use,
                      const char *accessError, Transfer transfer) {
    if (array == nullptr)
        return kResultBadValue;
    using Element = typename ArrayAccess<Array>::Element;
    const int64_t bytes =
        arrayRangeBytes(env->GetArrayLength(array), offset, count, sizeof(Element));
    if (bytes < 0)
        return kResultBadValue;
    ArrayElements<Array> elements(env, array, use);
    if (elements.get() == nullptr) {
        SONORA_LOGE("%s", accessError);
        return kResultBadValue;
    }
    const long result = transfer(elements.get() + offset, static_cast<size_t>(bytes));
    return bytesToElements(result, sizeof(Element));
}

}  // namespace sonora
